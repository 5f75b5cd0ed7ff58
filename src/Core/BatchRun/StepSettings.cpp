#include "StepSettings.h"

#include "ProcessData.h"
#include "ProcessListArchiver.h"
#include "Core/ProcessTable.h"

#include <QRegularExpression>
#include <QVariant>

namespace Core {
namespace BatchRun {

namespace {

// What a value of the process list's kind looks like, for the message.
QString kindWords(const QString &kind)
{
    if (kind == QLatin1String("bool"))
        return QStringLiteral("true or false");
    if (kind == QLatin1String("int"))
        return QStringLiteral("a whole number");
    if (kind == QLatin1String("uint"))
        return QStringLiteral("a whole number from 0");
    if (kind == QLatin1String("float") || kind == QLatin1String("double"))
        return QStringLiteral("a number");
    if (kind == QLatin1String("Util::Vector3D"))
        return QStringLiteral("three numbers as x;y;z");
    if (kind == QLatin1String("QColor"))
        return QStringLiteral("a colour such as #ff0000");
    return QStringLiteral("a value of kind %1").arg(kind);
}

} // namespace

bool StepSettings::refuse(const QString &setting, const QString &why)
{
    lastError = QStringLiteral("--set \"%1\": %2").arg(setting, why);
    return false;
}

namespace {

// Why a value of the right kind is no value of the declared parameter:
// outside its range, or none of its choices; empty when it is one.
QString outsideDeclared(const ProcessTable::Parameter &declared, const QVariant &value)
{
    if (declared.range.isSet()) {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (ok && !declared.range.contains(number))
            return QStringLiteral("a number %1, not %2").arg(declared.range.text(), QString::number(number, 'g', 7));
    }
    if (!declared.choices.isEmpty()) {
        const QString text = value.toString().trimmed();
        for (const QString &choice : declared.choices) {
            if (choice.compare(text, Qt::CaseInsensitive) == 0)
                return QString();
        }
        return QStringLiteral("one of %1, not \"%2\"").arg(declared.choices.join(QStringLiteral(", ")), text);
    }
    return QString();
}

} // namespace

bool StepSettings::apply(const QStringList &settings, QList<ProcessData> &steps)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d+)\\.([^=]+)=(.*)$"));
    struct Change
    {
        int step;
        QString name;
        QVariant value;
        bool visible;
    };
    QList<Change> changes;
    valueRefused = false;
    for (const QString &setting : settings) {
        const auto match = form.match(setting);
        if (!match.hasMatch() || match.captured(2).trimmed().isEmpty())
            return refuse(setting, QStringLiteral("give STEP.PARAM=VALUE, STEP the step's number in the list "
                                                  "(for example 3.Thickness=4)."));
        bool ok = false;
        const int number = match.captured(1).toInt(&ok);
        if (!ok || number < 1 || number > steps.size())
            return refuse(setting, QStringLiteral("there is no step %1; the process list has %2 steps.")
                                       .arg(match.captured(1))
                                       .arg(steps.size()));
        const ProcessData &step = steps.at(number - 1);
        const QString name = match.captured(2).trimmed();
        const ProcessTable::Kind *kind = ProcessTable::byListCode(step.getType());
        const ProcessTable::Parameter *listed = kind ? kind->parameter(name) : nullptr;
        const QVariant current = step.getParameter(name);
        if (!listed && !current.isValid()) {
            QStringList known = step.getParameters().keys();
            if (kind) {
                for (const auto &parameter : kind->parameters)
                    if (!known.contains(parameter.name))
                        known << parameter.name;
            }
            known.sort();
            return refuse(setting, QStringLiteral("step %1 (%2) has no parameter \"%3\"; it has: %4.")
                                       .arg(number)
                                       .arg(step.getName(), name, known.join(QStringLiteral(", "))));
        }
        const QString kindText = listed ? ProcessTable::kindName(listed->kind) : ProcessListArchiver::kindOf(current);
        const QString text = match.captured(3).trimmed();
        // The reader takes any text but "true" as false; a setting must say which.
        const bool badBool = kindText == QLatin1String("bool") && text != QLatin1String("true")
                             && text != QLatin1String("false");
        const QVariant value = ProcessListArchiver::valueOf(kindText, text);
        if (badBool || !value.isValid())
            return refuse(setting, QStringLiteral("\"%1\" of step %2 (%3) takes %4, not \"%5\".")
                                       .arg(name)
                                       .arg(number)
                                       .arg(step.getName(), kindWords(kindText), text));
        const QString outside = listed ? outsideDeclared(*listed, value) : QString();
        if (!outside.isEmpty()) {
            valueRefused = true;
            return refuse(setting, QStringLiteral("\"%1\" of step %2 (%3) takes %4.")
                                       .arg(name)
                                       .arg(number)
                                       .arg(step.getName(), outside));
        }
        changes.append({number - 1, name, value, current.isValid() ? step.isVisible(name) : listed->visible});
    }
    for (const Change &change : changes) {
        ProcessData &step = steps[change.step];
        step.setParameter(change.name, change.value, change.visible);
    }
    lastError.clear();
    return true;
}

} // namespace BatchRun
} // namespace Core
