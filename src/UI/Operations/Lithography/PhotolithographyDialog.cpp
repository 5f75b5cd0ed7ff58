#include "UI/Operations/Lithography/PhotolithographyDialog.h"

#include "ui_PhotolithographyDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Core/Operations/Lithography/IMaskReceiver.h"
#include "Core/Operations/Lithography/LayoutMask.h"
#include "Core/Operations/Lithography/MaskFile.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/DialogMemory.h"
#include "UI/MaterialChoice.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace Ui {
namespace Operations {

using Core::Operations::LayoutMask;
using Core::Operations::LithographyMask;
using Core::Operations::MaskFile;
using Core::Operations::MaskPlacement;
using Core::Operations::MaskPlacing;

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

// The placements as the list offers them, in the order of MaskPlacement.
const char *const placementText[4] = {"From the corner", "Centred", "Scaled to the volume", "Repeated"};

QString cells(std::uint32_t width, std::uint32_t height)
{
    return QStringLiteral("%1 x %2 cells").arg(width).arg(height);
}

// An nx x ny footprint seen from above, fitted into `box` pixels, x to the
// right and y upwards like the mask image: white where no mask reaches,
// tinted where a placed mask lies, its opaque cells dark for the top mask
// and red for the bottom one.
QImage previewImage(const LithographyMask &top, const LithographyMask &bottom, std::uint32_t nx, std::uint32_t ny,
                    MaskPlacement placement, int box)
{
    const int w = nx >= ny ? box : std::max(1, int(std::lround(double(box) * nx / ny)));
    const int h = ny >= nx ? box : std::max(1, int(std::lround(double(box) * ny / nx)));
    QImage image(w, h, QImage::Format_RGB32);
    // Where a mask lies: the same mask all opaque, placed the same way.
    const auto coverOf = [&](const LithographyMask &mask) {
        LithographyMask cover = mask;
        cover.bits.fill(true);
        return MaskPlacing::placed(cover, nx, ny, placement);
    };
    const LithographyMask placedTop = MaskPlacing::placed(top, nx, ny, placement);
    const LithographyMask placedBottom = MaskPlacing::placed(bottom, nx, ny, placement);
    const LithographyMask coverTop = coverOf(top), coverBottom = coverOf(bottom);
    const auto opaque = [](const LithographyMask &m, std::uint32_t x, std::uint32_t y) {
        return m.isConsistent() && x < m.width && y < m.height && m.isOpaque(x, y);
    };
    for (int row = 0; row < h; ++row) {
        const std::uint32_t y = ny - 1 - std::uint32_t(std::uint64_t(row) * ny / std::uint64_t(h));
        auto *pixels = reinterpret_cast<QRgb *>(image.scanLine(row));
        for (int col = 0; col < w; ++col) {
            const std::uint32_t x = std::uint32_t(std::uint64_t(col) * nx / std::uint64_t(w));
            const bool topOpaque = opaque(placedTop, x, y), bottomOpaque = opaque(placedBottom, x, y);
            QRgb colour = qRgb(255, 255, 255);
            if (topOpaque && bottomOpaque)
                colour = qRgb(60, 0, 0);
            else if (topOpaque)
                colour = qRgb(40, 40, 40);
            else if (bottomOpaque)
                colour = qRgb(200, 40, 40);
            else if (opaque(coverTop, x, y) || opaque(coverBottom, x, y))
                colour = qRgb(205, 220, 240);
            pixels[col] = colour;
        }
    }
    return image;
}

} // namespace

PhotolithographyDialog::PhotolithographyDialog(Core::Operations::IMaskReceiver *maskReceiver, QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<PhotolithographyBaseDialog>())
    , receiver(maskReceiver)
{
    form->setupUi(this);
    MaterialChoice::fill(form->cbxFilm, Model::Materials::MaterialFactory::getInstance()->getMaterials());
    // The resist, the mask files, their layers and cell sizes and the
    // placement come back as last accepted.
    DialogMemory::attach(this);
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

    // Room for the two-mask sentence: a wrapped label in a fixed-size dialog
    // is otherwise given one line.
    form->lblMaskSize->setMinimumHeight(2 * form->lblMaskSize->fontMetrics().lineSpacing());
    for (int k = 0; k < 4; ++k)
        form->cbxPlacement->addItem(QLatin1String(placementText[k]), MaskPlacing::name(MaskPlacement(k)));
    connect(form->cbxPlacement, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        if (receiver)
            receiver->setMaskPlacement(getMaskPlacement());
        showPlacement();
    });
    volumeKnown = receiver && receiver->footprint(volumeX, volumeY);
    showPlacement();
}

PhotolithographyDialog::~PhotolithographyDialog() = default;

void PhotolithographyDialog::connectSide(SideIndex index, QPushButton *browseButton, QPushButton *applyButton,
                                         QPushButton *removeButton)
{
    Side &side = sides[index];
    // The layer and cell size matter only for a layout file.
    side.layoutFields->setVisible(false);
    connect(side.path, &QLineEdit::textChanged, this, [this, &side](const QString &text) {
        side.layoutFields->setVisible(LayoutMask::isLayoutFile(text.trimmed()));
        showPlacement();
    });
    connect(side.layer, QOverload<int>::of(&QSpinBox::valueChanged), this, [this] { showPlacement(); });
    connect(side.cellSize, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this] { showPlacement(); });
    connect(browseButton, &QPushButton::clicked, this, [this, index] { browse(index); });
    connect(applyButton, &QPushButton::clicked, this, [this, index] { apply(index, ApplyFrom::ApplyButton); });
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

MaskPlacement PhotolithographyDialog::getMaskPlacement() const
{
    return MaskPlacing::fromName(form->cbxPlacement->currentData().toString()).value_or(MaskPlacement::Corner);
}

QString PhotolithographyDialog::fieldKey(SideIndex index) const
{
    const Side &side = sides[index];
    const QString fileName = side.path->text().trimmed();
    if (fileName.isEmpty() || !LayoutMask::isLayoutFile(fileName))
        return fileName;
    // A layout read with another layer or cell size is another mask.
    return QStringLiteral("%1|%2|%3").arg(fileName).arg(side.layer->value()).arg(side.cellSize->value(), 0, 'g', 17);
}

bool PhotolithographyDialog::apply(SideIndex index, ApplyFrom from)
{
    Side &side = sides[index];
    const QString fileName = side.path->text().trimmed();
    LithographyMask mask;
    QString error;
    if (!MaskFile::load(fileName, side.layer->value(), side.cellSize->value(), side.cellSize->value(), mask, error)) {
        // A file that is not there keeps its long-standing warning; any other
        // refusal says what is wrong with the file. Both name the file.
        QString text;
        if (!LayoutMask::isLayoutFile(fileName) && !QFileInfo(fileName).isFile())
            text = QStringLiteral("%1<br/>%2").arg(QLatin1String(imageFailure[index]), error.toHtmlEscaped());
        else
            text = QStringLiteral("%1 %2 not used!<br/>%3")
                       .arg(QLatin1String(sideName[index]),
                            LayoutMask::isLayoutFile(fileName) ? QStringLiteral("layout") : QStringLiteral("image"),
                            error.toHtmlEscaped());
        if (from == ApplyFrom::OkButton)
            text += QStringLiteral("<br/>Nothing was developed: correct the file name, or press Remove to go "
                                   "without this mask.");
        QMessageBox::warning(this, windowTitle(), text);
        return false;
    }
    side.mask = mask;
    side.appliedKey = fieldKey(index);
    deliver(index);
    return true;
}

void PhotolithographyDialog::remove(SideIndex index)
{
    sides[index].mask = LithographyMask();
    // The field would otherwise name a file OK applies again.
    sides[index].path->clear();
    sides[index].appliedKey.clear();
    deliver(index);
}

void PhotolithographyDialog::accept()
{
    for (SideIndex index : {Top, Bottom}) {
        const QString key = fieldKey(index);
        if (!key.isEmpty() && key != sides[index].appliedKey && !apply(index, ApplyFrom::OkButton))
            return;
    }
    QDialog::accept();
}

void PhotolithographyDialog::deliver(SideIndex index)
{
    showPlacement();
    if (!receiver)
        return;
    if (index == Top)
        receiver->setTopMask(sides[Top].mask);
    else
        receiver->setBottomMask(sides[Bottom].mask);
}

void PhotolithographyDialog::showPlacement()
{
    const LithographyMask &top = sides[Top].mask, &bottom = sides[Bottom].mask;
    const auto differs = [this](const LithographyMask &m) {
        return !m.isEmpty() && (m.width != volumeX || m.height != volumeY);
    };
    bool pending = false;
    for (SideIndex index : {Top, Bottom}) {
        const QString key = fieldKey(index);
        pending = pending || (!key.isEmpty() && key != sides[index].appliedKey);
    }
    QString text;
    bool offered = false;
    if (!volumeKnown) {
        offered = pending || !top.isEmpty() || !bottom.isEmpty();
        text = QStringLiteral("No volume yet: the placement applies to the volume the step meets.");
    } else if (differs(top) || differs(bottom)) {
        offered = true;
        const QString volume = cells(volumeX, volumeY);
        if (top.isEmpty() || bottom.isEmpty() || (top.width == bottom.width && top.height == bottom.height)) {
            const LithographyMask &mask = top.isEmpty() ? bottom : top;
            text = QStringLiteral("The mask%1 %2 %3, the volume %4.")
                       .arg(top.isEmpty() || bottom.isEmpty() ? QString() : QStringLiteral("s"),
                            top.isEmpty() || bottom.isEmpty() ? QStringLiteral("is") : QStringLiteral("are"),
                            cells(mask.width, mask.height), volume);
        } else {
            text = QStringLiteral("The top mask is %1, the bottom mask %2, the volume %3.")
                       .arg(cells(top.width, top.height), cells(bottom.width, bottom.height), volume);
        }
    } else if (pending) {
        // A file not applied yet: its size is not known, the choice may matter.
        offered = true;
        text = QStringLiteral("The volume is %1; apply the mask to compare its size.").arg(cells(volumeX, volumeY));
    } else if (!top.isEmpty() || !bottom.isEmpty()) {
        text = QStringLiteral("The mask fits the volume (%1).").arg(cells(volumeX, volumeY));
    } else {
        text = QStringLiteral("The volume is %1.").arg(cells(volumeX, volumeY));
    }
    form->lblMaskSize->setText(text);
    form->cbxPlacement->setEnabled(offered);

    // Without a volume the masks are shown on their own extent.
    std::uint32_t nx = volumeX, ny = volumeY;
    MaskPlacement placement = getMaskPlacement();
    if (!volumeKnown) {
        nx = std::max(top.width, bottom.width);
        ny = std::max(top.height, bottom.height);
        placement = MaskPlacement::Corner;
    }
    if (nx == 0 || ny == 0) {
        form->lblMaskPreview->clear();
        return;
    }
    const int box = form->lblMaskPreview->maximumWidth() - 4;
    form->lblMaskPreview->setPixmap(QPixmap::fromImage(previewImage(top, bottom, nx, ny, placement, box)));
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
    // Lists without it mean the corner, as they always did.
    if (getMaskPlacement() != MaskPlacement::Corner)
        step.setParameter(QStringLiteral("Mask Placement"), MaskPlacing::name(getMaskPlacement()), true);
    return step;
}

} // namespace Operations
} // namespace Ui
