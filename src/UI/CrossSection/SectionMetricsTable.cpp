#include "SectionMetricsTable.h"

#include "Model/Materials/MaterialLegend.h"
#include "Util/FloatText.h"

#include <QHeaderView>

#include <cmath>

namespace Ui {
namespace CrossSection {

namespace {

const QString notApplicable = QStringLiteral("\u2014");

QString length(double v)
{
    return Util::floatText(std::abs(v) < 1e-9 ? 0.0f : float(v)) + QStringLiteral(" \u00b5m");
}

// Wall angles to a hundredth of a degree: the fit through cell faces is no
// finer than that.
QString degrees(double v)
{
    return QString::number(v, 'f', 2) + QStringLiteral("\u00b0");
}

QTableWidgetItem *valueItem(const QString &text, const std::optional<double> &value)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (value)
        item->setData(SectionMetricsTable::ValueRole, *value);
    return item;
}

} // namespace

SectionMetricsTable::SectionMetricsTable(QWidget *parent)
    : QTableWidget(parent)
{
    setObjectName(QStringLiteral("tblSectionMetrics"));
    setColumnCount(4);
    setHorizontalHeaderLabels({tr("Layer / metric"), tr("Bottom"), tr("Top"), tr("Thickness / value")});
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < 4; ++c)
        horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(true);
    rebuild();
}

void SectionMetricsTable::setStack(const QString &title, const std::vector<Model::Metrology::StackLayer> &layers,
                                   const QString &message)
{
    stackTitle = title;
    stack = layers;
    stackMessage = message;
    rebuild();
}

void SectionMetricsTable::setTrench(const QString &title, const std::optional<Model::Metrology::Trench> &t,
                                    const QString &message)
{
    trenchTitle = title;
    trench = t;
    trenchMessage = message;
    rebuild();
}

int SectionMetricsTable::metricRow(const QString &key) const
{
    for (int r = 0; r < rowCount(); ++r) {
        const QTableWidgetItem *name = item(r, 0);
        if (name && name->data(KeyRole).toString() == key)
            return r;
    }
    return -1;
}

void SectionMetricsTable::addHeading(const QString &text)
{
    const int r = rowCount();
    insertRow(r);
    auto *heading = new QTableWidgetItem(text);
    QFont bold = font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setFlags(Qt::ItemIsEnabled);
    setItem(r, 0, heading);
    setSpan(r, 0, 1, columnCount());
}

void SectionMetricsTable::addMessage(const QString &text)
{
    const int r = rowCount();
    insertRow(r);
    auto *message = new QTableWidgetItem(text);
    message->setFlags(Qt::ItemIsEnabled);
    message->setToolTip(text);
    setItem(r, 0, message);
    setSpan(r, 0, 1, columnCount());
}

void SectionMetricsTable::addMetric(const QString &name, const QString &key, const std::optional<double> &value,
                                    bool angle)
{
    const int r = rowCount();
    insertRow(r);
    auto *label = new QTableWidgetItem(name);
    label->setData(KeyRole, key);
    setItem(r, 0, label);
    setItem(r, 3, valueItem(value ? (angle ? degrees(*value) : length(*value)) : notApplicable, value));
}

void SectionMetricsTable::rebuild()
{
    clearSpans();
    setRowCount(0);

    if (!stackTitle.isEmpty())
        addHeading(stackTitle);
    if (!stackMessage.isEmpty()) {
        addMessage(stackMessage);
    } else {
        for (const Model::Metrology::StackLayer &layer : stack) {
            const int r = rowCount();
            insertRow(r);
            const QString name = layer.material == 0 ? tr("void")
                                                     : Model::Materials::MaterialLegend::entry(layer.material).name;
            auto *label = new QTableWidgetItem(name);
            label->setData(ValueRole, uint(layer.material));
            setItem(r, 0, label);
            setItem(r, 1, valueItem(length(layer.bottom), layer.bottom));
            setItem(r, 2, valueItem(length(layer.top), layer.top));
            setItem(r, 3, valueItem(length(layer.top - layer.bottom), layer.top - layer.bottom));
        }
    }

    if (!trenchTitle.isEmpty())
        addHeading(trenchTitle);
    if (trench) {
        const Model::Metrology::Trench &t = *trench;
        addMetric(tr("Depth"), QStringLiteral("depth"), t.depth, false);
        addMetric(tr("Top width"), QStringLiteral("top_width"), t.topWidth, false);
        addMetric(tr("Bottom width"), QStringLiteral("bottom_width"), t.bottomWidth, false);
        addMetric(tr("Left wall angle"), QStringLiteral("angle_left"), t.angleLeft, true);
        addMetric(tr("Right wall angle"), QStringLiteral("angle_right"), t.angleRight, true);
        addMetric(tr("Bowing"), QStringLiteral("bowing"), t.bowing, false);
        addMetric(tr("Undercut"), QStringLiteral("undercut"), t.undercut, false);
    } else if (!trenchMessage.isEmpty()) {
        addMessage(trenchMessage);
    }
    resizeRowsToContents();
}

} // namespace CrossSection
} // namespace Ui
