#include "UI/DialogMemory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QHash>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVariant>

namespace Ui {

namespace {

struct FieldValue
{
    QVariant value;
    // A combo box entry found by its item data rather than its text.
    bool itemData = false;
};

using DialogValues = QHash<QString, FieldValue>;

QHash<QString, DialogValues> &memory()
{
    static QHash<QString, DialogValues> values;
    return values;
}

bool isFieldOfType(const QWidget *widget)
{
    if (qobject_cast<const QSpinBox *>(widget) || qobject_cast<const QDoubleSpinBox *>(widget)
        || qobject_cast<const QComboBox *>(widget) || qobject_cast<const QCheckBox *>(widget)
        || qobject_cast<const QRadioButton *>(widget))
        return true;
    // Line edits inside spin and combo boxes belong to those; read-only ones
    // show what the dialog computed.
    const auto *edit = qobject_cast<const QLineEdit *>(widget);
    const QWidget *owner = widget->parentWidget();
    return edit && !edit->isReadOnly() && !qobject_cast<const QAbstractSpinBox *>(owner)
        && !qobject_cast<const QComboBox *>(owner);
}

// The dialog's own fields in form order; those of a dialog it opened are not.
QList<QWidget *> fieldsOf(const QDialog *dialog, const QStringList &ignored)
{
    QList<QWidget *> fields;
    for (QWidget *widget : dialog->findChildren<QWidget *>()) {
        const QString name = widget->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || ignored.contains(name)
            || widget->window() != dialog || !isFieldOfType(widget))
            continue;
        fields << widget;
    }
    return fields;
}

FieldValue valueOf(const QWidget *field)
{
    if (const auto *box = qobject_cast<const QSpinBox *>(field))
        return { box->value() };
    if (const auto *box = qobject_cast<const QDoubleSpinBox *>(field))
        return { box->value() };
    if (const auto *combo = qobject_cast<const QComboBox *>(field)) {
        if (combo->currentIndex() < 0)
            return {};
        const QVariant data = combo->currentData();
        return data.isValid() ? FieldValue { data, true } : FieldValue { combo->currentText() };
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(field))
        return { button->isChecked() };
    if (const auto *edit = qobject_cast<const QLineEdit *>(field))
        return { edit->text() };
    return {};
}

void setValue(QWidget *field, const FieldValue &saved)
{
    if (!saved.value.isValid())
        return;
    if (auto *box = qobject_cast<QSpinBox *>(field)) {
        box->setValue(saved.value.toInt());
    } else if (auto *box = qobject_cast<QDoubleSpinBox *>(field)) {
        box->setValue(saved.value.toDouble());
    } else if (auto *combo = qobject_cast<QComboBox *>(field)) {
        const int index
            = saved.itemData ? combo->findData(saved.value) : combo->findText(saved.value.toString());
        if (index >= 0)
            combo->setCurrentIndex(index);
    } else if (auto *button = qobject_cast<QAbstractButton *>(field)) {
        // Unchecking the checked radio button of a group does nothing; checking
        // its recorded partner does the rest.
        button->setChecked(saved.value.toBool());
    } else if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        edit->setText(saved.value.toString());
    }
}

} // namespace

DialogMemory::DialogMemory(QDialog *d, const QStringList &ignoredFields)
    : QObject(d)
    , dialog(d)
    , ignored(ignoredFields)
{
    dialog->installEventFilter(this);
    connect(dialog, &QDialog::accepted, this, &DialogMemory::save);
}

DialogMemory *DialogMemory::attach(QDialog *dialog, const QStringList &ignored)
{
    return dialog ? new DialogMemory(dialog, ignored) : nullptr;
}

void DialogMemory::setKey(const QString &k) { key = k; }

QString DialogMemory::currentKey() const { return key.isEmpty() ? dialog->objectName() : key; }

void DialogMemory::save() const
{
    DialogValues values;
    for (const QWidget *field : fieldsOf(dialog, ignored))
        values.insert(field->objectName(), valueOf(field));
    memory().insert(currentKey(), values);
}

void DialogMemory::restore() const
{
    const auto found = memory().constFind(currentKey());
    if (found == memory().constEnd())
        return;
    const QList<QWidget *> fields = fieldsOf(dialog, ignored);
    // Twice: a field's limits may follow one that comes later in the form, so
    // a value clamped on the first pass fits on the second.
    for (int pass = 0; pass < 2; ++pass) {
        for (QWidget *field : fields) {
            const auto saved = found->constFind(field->objectName());
            if (saved != found->constEnd())
                setValue(field, *saved);
        }
    }
}

void DialogMemory::forgetAll() { memory().clear(); }

bool DialogMemory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == dialog && event->type() == QEvent::Show && !restored) {
        restored = true;
        restore();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace Ui
