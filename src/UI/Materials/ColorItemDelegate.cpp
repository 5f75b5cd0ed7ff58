#include "ColorItemDelegate.h"

#include <QColorDialog>

namespace Ui {

QWidget *ColorItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const
{
    auto *chooser = new QColorDialog(parent);
    chooser->setObjectName(QStringLiteral("dlgMaterialColor"));
    chooser->setOptions(QColorDialog::ShowAlphaChannel | QColorDialog::DontUseNativeDialog);
    chooser->setModal(true);
    auto *self = const_cast<ColorItemDelegate *>(this);
    connect(chooser, &QColorDialog::accepted, self, [self, chooser] {
        emit self->commitData(chooser);
        emit self->closeEditor(chooser, QAbstractItemDelegate::NoHint);
    });
    connect(chooser, &QColorDialog::rejected, self,
            [self, chooser] { emit self->closeEditor(chooser, QAbstractItemDelegate::RevertModelCache); });
    return chooser;
}

void ColorItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *chooser = qobject_cast<QColorDialog *>(editor);
    if (!chooser)
        return;
    const QColor color = index.data(Qt::EditRole).value<QColor>();
    if (color.isValid())
        chooser->setCurrentColor(color);
    if (!chooser->isVisible())
        chooser->open();
}

void ColorItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *chooser = qobject_cast<QColorDialog *>(editor))
        model->setData(index, chooser->currentColor(), Qt::EditRole);
}

bool ColorItemDelegate::eventFilter(QObject *, QEvent *)
{
    return false;
}

void ColorItemDelegate::updateEditorGeometry(QWidget *, const QStyleOptionViewItem &, const QModelIndex &) const {}

} // namespace Ui
