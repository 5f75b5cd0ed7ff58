#include "UI/Operations/Lithography/PhotolithographyDialog.h"

#include "ui_PhotolithographyDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Core/Operations/Lithography/IMaskReceiver.h"
#include "Core/Operations/Lithography/LayoutMask.h"
#include "Core/Operations/Lithography/MaskFile.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/MaterialChoice.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace Ui {
namespace Operations {

using Core::Operations::LayoutMask;
using Core::Operations::LithographyMask;
using Core::Operations::MaskFile;

namespace {

QString &folder()
{
    static QString remembered;
    return remembered;
}

const char *const imageFailure[2] = {
    "Top Mask file not found!<br/>Please verify the filename is correct and you have the correct permissions.",
    "Bottom mask not found error!<br/>Please verify if the filename is correct and you have the correct permissions.",
};
const char *const sideName[2] = {"Top Mask", "Bottom Mask"};

} // namespace

PhotolithographyDialog::PhotolithographyDialog(Core::Operations::IMaskReceiver *maskReceiver, QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<PhotolithographyBaseDialog>())
    , receiver(maskReceiver)
{
    form->setupUi(this);
    MaterialChoice::fill(form->cbxFilm, Model::Materials::MaterialFactory::getInstance()->getMaterials());
    sides[Top].path = form->linTopMask;
    sides[Top].layoutFields = form->wgtTopLayout;
    sides[Top].layer = form->sbxTopLayer;
    sides[Top].cellSize = form->dbxTopCellSize;
    sides[Bottom].path = form->linBottomMask;
    sides[Bottom].layoutFields = form->wgtBottomLayout;
    sides[Bottom].layer = form->sbxBottomLayer;
    sides[Bottom].cellSize = form->dbxBottomCellSize;
    connectSide(Top, form->btnTopMaskBrowse, form->btnTopMaskApply, form->btnTopMaskRemove);
    connectSide(Bottom, form->btnBottomMaskBrowse, form->btnBottomMaskApply, form->btnBottomMaskRemove);
}

PhotolithographyDialog::~PhotolithographyDialog() = default;

void PhotolithographyDialog::connectSide(SideIndex index, QPushButton *browseButton, QPushButton *applyButton,
                                         QPushButton *removeButton)
{
    Side &side = sides[index];
    // The layer and cell size matter only for a layout file.
    side.layoutFields->setVisible(false);
    connect(side.path, &QLineEdit::textChanged, this,
            [&side](const QString &text) { side.layoutFields->setVisible(LayoutMask::isLayoutFile(text.trimmed())); });
    connect(browseButton, &QPushButton::clicked, this, [this, index] { browse(index); });
    connect(applyButton, &QPushButton::clicked, this, [this, index] { apply(index); });
    connect(removeButton, &QPushButton::clicked, this, [this, index] { remove(index); });
}

QString PhotolithographyDialog::rememberedFolder()
{
    return folder().isEmpty() ? QDir::currentPath() : folder();
}

void PhotolithographyDialog::forgetRememberedFolder()
{
    folder().clear();
}

std::uint32_t PhotolithographyDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxFilm);
}

QString PhotolithographyDialog::getMaterialName() const
{
    return form->cbxFilm->currentText();
}

void PhotolithographyDialog::browse(SideIndex index)
{
    const QString fileName = QFileDialog::getOpenFileName(
        this, QStringLiteral("Choose Mask File"), rememberedFolder(),
        QStringLiteral("Image Files (*.png *.jpg *.bmp);;Layout Files (*.gds)"), nullptr,
        QFileDialog::DontUseNativeDialog);
    if (fileName.isEmpty())
        return;
    folder() = QFileInfo(fileName).absolutePath();
    sides[index].path->setText(fileName);
}

void PhotolithographyDialog::apply(SideIndex index)
{
    Side &side = sides[index];
    const QString fileName = side.path->text().trimmed();
    LithographyMask mask;
    QString error;
    if (!MaskFile::load(fileName, side.layer->value(), side.cellSize->value(), side.cellSize->value(), mask, error)) {
        // A file that is not there keeps its long-standing warning; any other
        // refusal says what is wrong with the file.
        if (!LayoutMask::isLayoutFile(fileName) && !QFileInfo(fileName).isFile())
            QMessageBox::warning(this, windowTitle(), QLatin1String(imageFailure[index]));
        else
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("%1 %2 not used!<br/>%3")
                                     .arg(QLatin1String(sideName[index]),
                                          LayoutMask::isLayoutFile(fileName) ? QStringLiteral("layout")
                                                                             : QStringLiteral("image"),
                                          error.toHtmlEscaped()));
        return;
    }
    side.mask = mask;
    deliver(index);
}

void PhotolithographyDialog::remove(SideIndex index)
{
    sides[index].mask = LithographyMask();
    deliver(index);
}

void PhotolithographyDialog::deliver(SideIndex index)
{
    if (!receiver)
        return;
    if (index == Top)
        receiver->setTopMask(sides[Top].mask);
    else
        receiver->setBottomMask(sides[Bottom].mask);
}

Core::BatchRun::ProcessData PhotolithographyDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::Photolithography));
    Core::BatchRun::MaterialParameters::set(step, getMaterialId());
    const std::pair<QString, const Core::Operations::LithographyMask *> masks[] = {
        {QStringLiteral("Top Mask"), &getTopMask()}, {QStringLiteral("Bottom Mask"), &getBottomMask()}};
    for (const auto &side : masks) {
        step.setParameter(side.first, QVariant::fromValue(side.second->bits), false);
        step.setParameter(side.first + QStringLiteral(" File"), side.second->fileName, true);
        step.setParameter(side.first + QStringLiteral(" Height"), uint(side.second->height), true);
        step.setParameter(side.first + QStringLiteral(" Width"), uint(side.second->width), true);
    }
    return step;
}

} // namespace Operations
} // namespace Ui
