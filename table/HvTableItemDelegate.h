#pragma once

#include <QItemDelegate>
#include <QString>

/// Item delegate of `HvTable`: reports every committed edit with its cell and
/// text, and an edit abandoned with Escape.
class HvTableItemDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    explicit HvTableItemDelegate(QObject *parent = nullptr);

    /// Stores the editor's data, then emits `dataEntered` with the stored text.
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

signals:
    /// An edit of this cell was committed with this text.
    void dataEntered(int row, int column, const QString &data) const;
    /// The operator abandoned an edit with Escape.
    void dataDiscarded();

protected:
    bool eventFilter(QObject *object, QEvent *event) override;
};
