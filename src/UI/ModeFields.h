#pragma once

#include "Core/ProcessKey.h"

#include <QHash>
#include <QStringList>
#include <QWidget>

class QDialogButtonBox;
class QLabel;

namespace Core {
namespace BatchRun {
class ProcessData;
}
}

namespace Ui {

// The fields of a process's physical mode, made from what the process table
// declares for its parameters: a choice list for a text with choices, a spin
// box for a number of a narrow range and a text field for one that spans
// decades (doses and concentrations, typed as 1e15). Every label carries the
// unit, and every field the range as its tool tip. A field's object name is
// "field" followed by the parameter's name without spaces ("fieldEtchTime").
class ModeFields : public QWidget
{
    Q_OBJECT

public:
    ModeFields(Core::ProcessKey key, const QStringList &names, QWidget *parent = nullptr);

    // Writes every field into the step as a process list holds it; a number
    // typed so that it does not read as one goes in as the text it is, so the
    // step's reader refuses it by name.
    void addTo(Core::BatchRun::ProcessData &step) const;
    QWidget *field(const QString &name) const { return fields.value(name); }
    // The text chosen in a choice list; empty for another field.
    QString choice(const QString &name) const;
    // Enables or disables the field and its label.
    void setFieldEnabled(const QString &name, bool enabled);

    // Shows under a dialog's fields what its options will do, live as they
    // change, or, when `refusal` is not empty, why a step of them would be
    // refused (the field and its range); OK is offered only for the former.
    static void showOutcome(QLabel *label, QDialogButtonBox *buttons, const QString &refusal, const QString &outcome);

signals:
    void edited();

private:
    Core::ProcessKey key;
    QStringList names;
    QHash<QString, QWidget *> fields;
    QHash<QString, QWidget *> labels;
};

} // namespace Ui
