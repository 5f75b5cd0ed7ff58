#pragma once

#include "Core/Operations/Lithography/LithographyMask.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>

class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace Core {
namespace Operations {
class IMaskReceiver;
}
}

namespace Core {
namespace BatchRun {
class ProcessData;
}
}

namespace Ui {

class PhotolithographyBaseDialog;

namespace Operations {

// The options of a photolithography: a top and a bottom mask (each an image,
// or a GDSII layout with its layer and cell size) and the film to develop.
// "Apply" and "Remove" hand the side's mask to the receiver at once: the
// interactive operation shows it over its volume, a batch recipe editor over
// its own. After OK the film and both masks are read from the dialog.
class PhotolithographyDialog : public QDialog
{
    Q_OBJECT

public:
    // `receiver` may be null (the masks are then only kept).
    explicit PhotolithographyDialog(Core::Operations::IMaskReceiver *receiver, QWidget *parent = nullptr);
    ~PhotolithographyDialog() override;

    // The id of the chosen film; 0 when there is none.
    std::uint32_t getMaterialId() const;
    QString getMaterialName() const;
    const Core::Operations::LithographyMask &getTopMask() const { return sides[Top].mask; }
    const Core::Operations::LithographyMask &getBottomMask() const { return sides[Bottom].mask; }

    // Where the next mask chooser starts: the folder of the last mask chosen
    // in this run of the program, or the current folder before the first.
    static QString rememberedFolder();
    static void forgetRememberedFolder();

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    enum SideIndex { Top = 0, Bottom = 1 };
    struct Side
    {
        QLineEdit *path = nullptr;
        QWidget *layoutFields = nullptr;
        QSpinBox *layer = nullptr;
        QDoubleSpinBox *cellSize = nullptr;
        Core::Operations::LithographyMask mask;
    };

    void connectSide(SideIndex index, QPushButton *browseButton, QPushButton *applyButton, QPushButton *removeButton);
    void browse(SideIndex index);
    void apply(SideIndex index);
    void remove(SideIndex index);
    void deliver(SideIndex index);

    std::unique_ptr<PhotolithographyBaseDialog> form;
    Core::Operations::IMaskReceiver *receiver;
    std::array<Side, 2> sides;
};

} // namespace Operations
} // namespace Ui
