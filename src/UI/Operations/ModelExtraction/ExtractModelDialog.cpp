#include "UI/Operations/ModelExtraction/ExtractModelDialog.h"

#include "ui_ExtractModelDialog.h"

#include "Core/Operations/ModelExtraction/RunModelExtraction.h"
#include "Core/Operations/ModelExtraction/VolumeNetlist.h"
#include "UI/FileNames.h"

#include <QDir>
#include <QMessageBox>

namespace Ui {
namespace Operations {

namespace {

QString &rememberedPath()
{
    static QString path = QDir::homePath();
    return path;
}

} // namespace

ExtractModelDialog::ExtractModelDialog(const std::shared_ptr<Core::Operations::RunModelExtraction> &op,
                                       QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<ExtractModelForm>())
    , operation(op)
{
    form->setupUi(this);
    connect(form->btnRunStep1, &QPushButton::clicked, this, &ExtractModelDialog::runStepOneClicked);
    connect(form->btnRunStep2, &QPushButton::clicked, this, &ExtractModelDialog::runStepTwoClicked);
    connect(form->btnRunStep3, &QPushButton::clicked, this, &ExtractModelDialog::runStepThreeClicked);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

ExtractModelDialog::~ExtractModelDialog() = default;

QString ExtractModelDialog::lastNetlistPath()
{
    return rememberedPath();
}

void ExtractModelDialog::runStepOneClicked()
{
    const auto op = operation.lock();
    if (!op)
        return;
    op->runStepOne();
    form->btnRunStep1->setEnabled(false);
    form->btnRunStep2->setEnabled(true);
}

void ExtractModelDialog::runStepTwoClicked()
{
    const auto op = operation.lock();
    if (!op)
        return;
    op->runStepTwo();
    form->btnRunStep2->setEnabled(false);
    form->btnRunStep3->setEnabled(true);
}

void ExtractModelDialog::runStepThreeClicked()
{
    const auto op = operation.lock();
    if (!op)
        return;
    const QString text = op->netlist();
    if (text.isEmpty()) {
        QString message = tr("No model data was extracted.");
        if (!op->noModelReason().isEmpty())
            message += QLatin1Char(' ') + op->noModelReason();
        QMessageBox::information(this, tr("No model data"), message);
        return;
    }
    const QString path
        = FileNames::getSaveFileName(this, tr("Save netlist"), rememberedPath(), tr("Circuit files *.cir"));
    if (path.isEmpty())
        return;
    rememberedPath() = path;
    if (!Core::Operations::VolumeNetlist::writeText(path, text))
        QMessageBox::warning(this, tr("File Error"), tr("Unable to save to selected file!"));
}

// The window's close button and Escape both end here: they finish the
// extraction. When the operation was cancelled first it is already done.
void ExtractModelDialog::reject()
{
    if (const auto op = operation.lock())
        op->end();
    QDialog::reject();
}

} // namespace Operations
} // namespace Ui
