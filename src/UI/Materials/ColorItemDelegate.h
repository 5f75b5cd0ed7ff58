#pragma once

#include <QStyledItemDelegate>

namespace Ui {

// Edits a colour cell through a colour chooser (alpha shown), opened on the
// cell's colour; choosing OK writes the chosen colour back with the edit role,
// Cancel leaves the cell as it was.
class ColorItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    // The chooser is a window of its own: the cell does not place it.
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

protected:
    // The chooser answers its own keys and focus changes; the cell's
    // commit-on-focus-loss would write a colour the user never confirmed.
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace Ui
