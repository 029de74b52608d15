#include "HvTableItemDelegate.h"

#include <QKeyEvent>

HvTableItemDelegate::HvTableItemDelegate(QObject *parent)
    : QItemDelegate(parent)
{
}

void HvTableItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                       const QModelIndex &index) const
{
    QItemDelegate::setModelData(editor, model, index);
    emit dataEntered(index.row(), index.column(), index.data(Qt::EditRole).toString());
}

bool HvTableItemDelegate::eventFilter(QObject *object, QEvent *event)
{
    if (event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
        emit dataDiscarded();
    return QItemDelegate::eventFilter(object, event);
}
