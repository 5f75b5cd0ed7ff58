#include "UI/Operations/ReactiveIonEtching/SimpleRIEDialog.h"

#include "ui_SimpleRIEDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/DialogMemory.h"
#include "UI/MaterialChoice.h"
#include "UI/ParameterRange.h"

namespace Ui {
namespace Operations {

SimpleRIEDialog::SimpleRIEDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<SimpleRIEForm>())
{
    form->setupUi(this);
    ParameterRange::apply(form->sbxEtchDepth, Core::ProcessKey::SimpleRie, QStringLiteral("Etch Depth"));
    MaterialChoice::fill(form->cbxFilm, Model::Materials::MaterialFactory::getInstance()->getMaterials());
    DialogMemory::attach(this);
}

SimpleRIEDialog::~SimpleRIEDialog() = default;

int SimpleRIEDialog::getDepth() const
{
    return form->sbxEtchDepth->value();
}

std::uint32_t SimpleRIEDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxFilm);
}

std::uint8_t SimpleRIEDialog::getDirections() const
{
    return std::uint8_t((form->chkEtchFromTop->isChecked() ? 1 : 0) | (form->chkEtchFromBottom->isChecked() ? 2 : 0));
}

Core::BatchRun::ProcessData SimpleRIEDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::SimpleRie));
    const std::uint8_t directions = getDirections();
    QStringList sides;
    if (directions & 2)
        sides << QStringLiteral("Bottom");
    if (directions & 1)
        sides << QStringLiteral("Top");
    Core::BatchRun::MaterialParameters::set(step, getMaterialId());
    step.setParameter(QStringLiteral("Etch Depth"), uint(getDepth()), true);
    step.setParameter(QStringLiteral("EtchDirectionValue"), int(directions), false);
    step.setParameter(QStringLiteral("Etch Direction"), sides.join(QStringLiteral(" and ")), true);
    return step;
}

} // namespace Operations
} // namespace Ui
