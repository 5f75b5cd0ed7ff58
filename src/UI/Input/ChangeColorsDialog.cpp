#include "ChangeColorsDialog.h"

#include "ui_ChangeColorsDialog.h"

#include "Util/ColorSettings.h"

#include <QColor>
#include <QColorDialog>

#include <algorithm>

namespace Ui {
namespace Input {

namespace {

// Colour component in [0, 1] to 0..255, truncated. The small bias keeps a
// value that came from a whole byte (200 / 255.0) from truncating one below.
int toByte(double component)
{
    return std::clamp(int(component * 255.0 + 1e-9), 0, 255);
}

} // namespace

ChangeColorsDialog::ChangeColorsDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<ChangeColorsDialogForm>())
{
    ui->setupUi(this);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &ChangeColorsDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (int i = 0; i < SlotCount; ++i) {
        const Slot slot = Slot(i);
        connect(button(slot), &QPushButton::clicked, this, [this, slot] { chooseColor(slot); });
    }
    connect(ui->btnLoadDefaultColors, &QPushButton::clicked, this, [this] { loadScheme(0); });
    connect(ui->btnLoadLowColorScheme, &QPushButton::clicked, this, [this] { loadScheme(1); });
    loadScheme(Util::ColorSettings::colorScheme());
}

ChangeColorsDialog::~ChangeColorsDialog() = default;

int ChangeColorsDialog::colorIndex(Slot slot)
{
    switch (slot) {
    case Background:
        return Util::ColorSettings::BackgroundColor;
    case Grid:
        return Util::ColorSettings::GridColor;
    case Object:
        return Util::ColorSettings::ObjectColor;
    case Outline:
    case SlotCount:
        break;
    }
    return Util::ColorSettings::OutlineColor;
}

QString ChangeColorsDialog::buttonStyleSheet(const Util::Vector4D &rgb)
{
    return QStringLiteral("background-color : #%1%2%3;\n")
               .arg(toByte(rgb.x), 2, 16, QLatin1Char('0'))
               .arg(toByte(rgb.y), 2, 16, QLatin1Char('0'))
               .arg(toByte(rgb.z), 2, 16, QLatin1Char('0'))
        + QStringLiteral("border: none;");
}

void ChangeColorsDialog::accept()
{
    Util::ColorSettings::setColorScheme(scheme);
    for (int i = 0; i < SlotCount; ++i) {
        const int index = colorIndex(Slot(i));
        // The dialog edits RGB only; each entry keeps its own alpha.
        const double alpha = Util::ColorSettings::color(index, 2).w;
        const Util::Vector4D &c = colors[std::size_t(i)];
        Util::ColorSettings::setCustomColor(index, Util::Vector4D(c.x, c.y, c.z, alpha));
    }
    QDialog::accept();
}

void ChangeColorsDialog::loadScheme(int newScheme)
{
    scheme = newScheme;
    for (int i = 0; i < SlotCount; ++i) {
        const Util::Vector4D c = Util::ColorSettings::color(colorIndex(Slot(i)), scheme);
        colors[std::size_t(i)] = Util::Vector4D(c.x, c.y, c.z, 1.0);
    }
    refreshButtons();
}

void ChangeColorsDialog::chooseColor(Slot slot)
{
    const Util::Vector4D &c = colors[slot];
    const QColor initial = QColor::fromRgbF(c.x, c.y, c.z);
    const QColor chosen = QColorDialog::getColor(initial, this, tr("Select new color"));
    if (!chosen.isValid())
        return;
    colors[slot] = Util::Vector4D(chosen.redF(), chosen.greenF(), chosen.blueF(), 1.0);
    scheme = 2;
    refreshButtons();
}

void ChangeColorsDialog::refreshButtons()
{
    for (int i = 0; i < SlotCount; ++i)
        button(Slot(i))->setStyleSheet(buttonStyleSheet(colors[std::size_t(i)]));
}

QPushButton *ChangeColorsDialog::button(Slot slot) const
{
    switch (slot) {
    case Background:
        return ui->btnBackgroundColor;
    case Grid:
        return ui->btnGridColor;
    case Object:
        return ui->btnObjectColor;
    case Outline:
    case SlotCount:
        break;
    }
    return ui->btnOutlineColor;
}

} // namespace Input
} // namespace Ui
