#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Core {
namespace BatchRun {
class ProcessData;
}
}

namespace Ui {

class DialogMemory;

class MooreOptionsBaseDialog;

namespace Operations {

// The options of the Moore automaton operations: a step count in cells and
// any catalogue material. The observer names the value ("Film Thickness",
// "Etch Depth").
class MooreOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MooreOptionsDialog(QWidget *parent = nullptr);
    ~MooreOptionsDialog() override;

    // Names the value for the process the dialog serves; deposition and
    // etching each remember their own values under it.
    void setValueLabel(const QString &text);
    std::uint32_t getValue() const;
    std::uint32_t getMaterialId() const;

    // The batch step of this type (one of the two the dialog serves) that
    // the options stand for.
    Core::BatchRun::ProcessData toProcessData(std::int32_t type) const;

private:
    std::unique_ptr<MooreOptionsBaseDialog> form;
    DialogMemory *memory = nullptr;
};

} // namespace Operations
} // namespace Ui
