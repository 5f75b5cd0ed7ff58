#include "UI/ModeFields.h"

#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace Ui {

namespace {

// A range over more than four decades is typed as a number with an
// exponent; a narrower one gets a spin box.
bool spansDecades(const Core::ProcessTable::Range &range)
{
    return range.maximum > 1e5 * std::max(1.0, std::fabs(range.minimum));
}

QString plainName(const QString &name)
{
    QString compact = name;
    compact.remove(QLatin1Char(' '));
    return compact;
}

} // namespace

ModeFields::ModeFields(Core::ProcessKey k, const QStringList &parameterNames, QWidget *parent)
    : QWidget(parent)
    , key(k)
    , names(parameterNames)
{
    auto *layout = new QFormLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const Core::ProcessTable::Kind &kind = Core::ProcessTable::kind(key);
    for (const QString &name : names) {
        const Core::ProcessTable::Parameter *p = kind.parameter(name);
        if (!p)
            continue;
        QWidget *widget = nullptr;
        if (!p->choices.isEmpty()) {
            auto *combo = new QComboBox(this);
            combo->addItems(p->choices);
            combo->setCurrentText(p->defaultValue.toString());
            connect(combo, &QComboBox::currentTextChanged, this, &ModeFields::edited);
            widget = combo;
        } else if (spansDecades(p->range)) {
            auto *edit = new QLineEdit(QString::number(p->defaultValue.toDouble(), 'g', 6), this);
            connect(edit, &QLineEdit::textChanged, this, &ModeFields::edited);
            widget = edit;
        } else {
            auto *box = new QDoubleSpinBox(this);
            box->setDecimals(p->range.maximum <= 100.0 ? 2 : 1);
            box->setRange(p->range.minimum, p->range.maximum);
            box->setValue(p->defaultValue.toDouble());
            box->setSuffix(QLatin1Char(' ') + p->range.unit);
            connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &ModeFields::edited);
            widget = box;
        }
        widget->setObjectName(QStringLiteral("field") + plainName(name));
        if (p->range.isSet())
            widget->setToolTip(QStringLiteral("%1, %2").arg(name, p->range.text()));
        const QString text = p->range.unit.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, p->range.unit);
        auto *label = new QLabel(text, this);
        label->setObjectName(QStringLiteral("label") + plainName(name));
        label->setBuddy(widget);
        layout->addRow(label, widget);
        fields.insert(name, widget);
        labels.insert(name, label);
    }
}

void ModeFields::addTo(Core::BatchRun::ProcessData &step) const
{
    for (const QString &name : names) {
        const QWidget *widget = fields.value(name);
        if (!widget || !widget->isEnabled())
            continue;
        QVariant value;
        if (const auto *combo = qobject_cast<const QComboBox *>(widget)) {
            value = combo->currentText();
        } else if (const auto *box = qobject_cast<const QDoubleSpinBox *>(widget)) {
            value = box->value();
        } else if (const auto *edit = qobject_cast<const QLineEdit *>(widget)) {
            bool ok = false;
            const double number = edit->text().trimmed().toDouble(&ok);
            value = ok ? QVariant(number) : QVariant(edit->text());
        }
        step.setParameter(name, value, true);
    }
}

QString ModeFields::choice(const QString &name) const
{
    const auto *combo = qobject_cast<const QComboBox *>(fields.value(name));
    return combo ? combo->currentText() : QString();
}

void ModeFields::setFieldEnabled(const QString &name, bool enabled)
{
    if (QWidget *widget = fields.value(name))
        widget->setEnabled(enabled);
    if (QWidget *label = labels.value(name))
        label->setEnabled(enabled);
}

void ModeFields::showOutcome(QLabel *label, QDialogButtonBox *buttons, const QString &refusal, const QString &outcome)
{
    const bool refused = !refusal.isEmpty();
    label->setText(refused ? refusal : outcome);
    label->setStyleSheet(refused ? QStringLiteral("color: #b00020;") : QString());
    if (QPushButton *ok = buttons->button(QDialogButtonBox::Ok))
        ok->setEnabled(!refused);
}

} // namespace Ui
