#pragma once

#include "Core/Operations/SiEtching/WetEtchRecipe.h"
#include "Core/ProcessKey.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>

class QLabel;
class QRadioButton;

namespace Core {
namespace BatchRun {
class ProcessData;
}
}

namespace Ui {

class BCAEtchingBaseDialog;
class ModeFields;

namespace Operations {

// The options of both atomistic wet etches: the etch depth in micrometres
// (the default), or an etchant with its concentration and temperature (or a
// (100) rate of one's own) and an etch time, whose rate and depth the dialog
// shows as they are typed.
class BCAEtchingDialog : public QDialog
{
    Q_OBJECT

public:
    // `key`: the etch whose step the options stand for.
    explicit BCAEtchingDialog(QWidget *parent = nullptr, Core::ProcessKey key = Core::ProcessKey::SiWetEtching);
    ~BCAEtchingDialog() override;

    double getDepth() const;
    // The etchant and time; empty in the depth mode.
    std::optional<Core::Operations::WetEtchRecipe> getRecipe() const;

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    void updateMode();

    std::unique_ptr<BCAEtchingBaseDialog> form;
    Core::ProcessKey key;
    QRadioButton *depthMode;
    QRadioButton *etchantMode;
    ModeFields *fields;
    QLabel *outcome;
};

} // namespace Operations
} // namespace Ui
