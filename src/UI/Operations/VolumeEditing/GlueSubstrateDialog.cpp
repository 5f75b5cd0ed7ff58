#include "UI/Operations/VolumeEditing/GlueSubstrateDialog.h"

#include "ui_GlueSubstrateDialog.h"

#include "UI/DialogMemory.h"

#include <algorithm>

namespace Ui {
namespace Operations {

namespace {

// A count as a spin box value, held to the form's own maximum.
int boxValue(std::uint64_t value, const QSpinBox *box)
{
    return int(std::min<std::uint64_t>(value, std::uint64_t(box->maximum())));
}

} // namespace

GlueSubstrateDialog::GlueSubstrateDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<GlueSubstrateForm>())
{
    form->setupUi(this);
    // The final size follows the two volumes being glued, not the last pair.
    DialogMemory::attach(this,
                         {QStringLiteral("sbxSizeX"), QStringLiteral("sbxSizeY"), QStringLiteral("sbxSizeZ")});
}

GlueSubstrateDialog::~GlueSubstrateDialog() = default;

void GlueSubstrateDialog::setLimits(std::uint64_t minSizeX, std::uint64_t minSizeY, std::uint64_t minSizeZ,
                                    std::uint32_t maxDisplacementX, std::uint32_t maxDisplacementY)
{
    const std::pair<QSpinBox *, std::uint64_t> sizes[] = {
        {form->sbxSizeX, minSizeX}, {form->sbxSizeY, minSizeY}, {form->sbxSizeZ, minSizeZ}};
    for (const auto &[box, minimum] : sizes) {
        box->setMinimum(boxValue(minimum, box));
        box->setValue(box->minimum());
    }
    form->sbxSizeX->setEnabled(false);
    form->sbxSizeY->setEnabled(false);
    form->sbxDisplacementX->setMaximum(boxValue(maxDisplacementX, form->sbxDisplacementX));
    form->sbxDisplacementY->setMaximum(boxValue(maxDisplacementY, form->sbxDisplacementY));
}

std::uint32_t GlueSubstrateDialog::getSizeX() const { return std::uint32_t(form->sbxSizeX->value()); }
std::uint32_t GlueSubstrateDialog::getSizeY() const { return std::uint32_t(form->sbxSizeY->value()); }
std::uint32_t GlueSubstrateDialog::getSizeZ() const { return std::uint32_t(form->sbxSizeZ->value()); }
std::uint32_t GlueSubstrateDialog::getDisplacementX() const { return std::uint32_t(form->sbxDisplacementX->value()); }
std::uint32_t GlueSubstrateDialog::getDisplacementY() const { return std::uint32_t(form->sbxDisplacementY->value()); }
bool GlueSubstrateDialog::isInvertTop() const { return form->chkInvertTopSubstrate->isChecked(); }

} // namespace Operations
} // namespace Ui
