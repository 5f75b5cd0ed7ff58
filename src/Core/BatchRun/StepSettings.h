#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace Core {
namespace BatchRun {

class ProcessData;

// Overrides of single step parameters, each given as "STEP.PARAM=VALUE":
// STEP is the 1-based step number, PARAM the parameter's name as the process
// list writes it and VALUE a text of the parameter's kind. A name is known
// when the process table lists it for the step's kind (which then gives its
// kind) or the step holds it. Every setting is
// checked against the steps before any is applied, so a refused one leaves
// the list as it was.
class StepSettings
{
public:
    // False (and errorString() naming the setting) for a malformed setting,
    // a step the list does not have, a parameter the step does not have, a
    // value its kind cannot read, or a value outside the range or the
    // choices the process table declares for the parameter.
    bool apply(const QStringList &settings, QList<ProcessData> &steps);
    QString errorString() const { return lastError; }
    // The last refusal was of a value of the right kind outside its range
    // or choices.
    bool refusedValue() const { return valueRefused; }

private:
    bool refuse(const QString &setting, const QString &why);

    QString lastError;
    bool valueRefused = false;
};

} // namespace BatchRun
} // namespace Core
