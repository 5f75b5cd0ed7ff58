#pragma once

#include "Core/Operations/Lithography/LithographyMask.h"
#include "Core/Operations/Lithography/MaskPlacement.h"

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
// or a GDSII layout with its layer and cell size), how masks of another size
// than the volume are placed on it, and the film to develop. "Apply" and
// "Remove" hand the side's mask to the receiver at once, as does a change of
// placement: the interactive operation shows the masks over its volume, a
// batch recipe editor over its own. OK first applies a file named but not yet
// applied, and stays open when that file gives no mask. After OK the film,
// both masks and the placement are read from the dialog.
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
    Core::Operations::MaskPlacement getMaskPlacement() const;

    // Where the next mask chooser starts: the folder of the last mask chosen
    // in this run of the program, or the current folder before the first.
    static QString rememberedFolder();
    static void forgetRememberedFolder();

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

public slots:
    // Applies the masks whose fields name a file not applied yet; stays open
    // (with the warning of "Apply") when one of them gives no mask.
    void accept() override;

private:
    enum SideIndex { Top = 0, Bottom = 1 };
    struct Side
    {
        QLineEdit *path = nullptr;
        QWidget *layoutFields = nullptr;
        QSpinBox *layer = nullptr;
        QDoubleSpinBox *cellSize = nullptr;
        Core::Operations::LithographyMask mask;
        // What the fields held when the mask was last applied (empty when
        // none is): a different text is a file still to be applied.
        QString appliedKey;
    };

    void connectSide(SideIndex index, QPushButton *browseButton, QPushButton *applyButton, QPushButton *removeButton);
    void browse(SideIndex index);
    enum class ApplyFrom { ApplyButton, OkButton };
    // False, with a warning naming the file and what is wrong, when the
    // side's file gives no mask.
    bool apply(SideIndex index, ApplyFrom from);
    void remove(SideIndex index);
    void deliver(SideIndex index);
    QString fieldKey(SideIndex index) const;
    // The sentence on the sizes, whether a placement is offered, the preview.
    void showPlacement();

    std::unique_ptr<PhotolithographyBaseDialog> form;
    Core::Operations::IMaskReceiver *receiver;
    std::array<Side, 2> sides;
    // The x/y cell counts of the receiver's volume, when it has one.
    bool volumeKnown = false;
    std::uint32_t volumeX = 0;
    std::uint32_t volumeY = 0;
};

} // namespace Operations
} // namespace Ui
