#include "UI/Operations/SiEtching/BCAEtchingDialog.h"

#include "ui_BCAEtchingDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "UI/DialogMemory.h"
#include "UI/ParameterRange.h"

namespace Ui {
namespace Operations {

BCAEtchingDialog::BCAEtchingDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<BCAEtchingBaseDialog>())
{
    form->setupUi(this);
    ParameterRange::apply(form->dbxEtchDepth, Core::ProcessKey::SiWetEtching, QStringLiteral("Depth"));
    DialogMemory::attach(this);
}

BCAEtchingDialog::~BCAEtchingDialog() = default;

double BCAEtchingDialog::getDepth() const
{
    return form->dbxEtchDepth->value();
}

Core::BatchRun::ProcessData BCAEtchingDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::SiWetEtching));
    step.setParameter(QStringLiteral("Depth"), getDepth(), true);
    return step;
}

} // namespace Operations
} // namespace Ui
