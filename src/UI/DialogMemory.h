#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QDialog;
class QEvent;

namespace Ui {

// Lets an options dialog open with the values last accepted in it during this
// run of the program. On OK it records, by object name, the values of the
// dialog's spin boxes, combo boxes (the current entry's item data, or its text
// when it carries none), check boxes, radio buttons and editable line edits;
// when a dialog with the same key is shown again, every field still there gets
// its value back. An entry no longer offered (a material since removed from
// the catalogue) leaves its combo box at the dialog's own choice. Nothing is
// kept beyond the run.
//
// A dialog opts in with one line after setting up its form:
//     DialogMemory::attach(this);
// Values come back when the dialog is shown, so they win over what the caller
// set up after building it, within the limits the caller set.
class DialogMemory : public QObject
{
    Q_OBJECT

public:
    // Makes `dialog` remember under its object name; the fields named in
    // `ignored` are left to the dialog. The memory belongs to the dialog.
    static DialogMemory *attach(QDialog *dialog, const QStringList &ignored = {});

    // Two processes sharing one form keep their values apart under own keys.
    void setKey(const QString &key);

    // Records the dialog's fields now; done when the dialog is accepted.
    void save() const;
    // Puts the recorded values back; done when the dialog is first shown.
    void restore() const;

    // Forgets every dialog's values: the next dialogs start from their forms.
    static void forgetAll();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DialogMemory(QDialog *dialog, const QStringList &ignored);

    QString currentKey() const;

    QDialog *dialog;
    QString key;
    QStringList ignored;
    bool restored = false;
};

} // namespace Ui
