#include "HvTable.h"

#include "HvTableItemDelegate.h"

#include <SetValueInput.h>

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

constexpr Qt::Alignment CellAlignment = Qt::AlignRight | Qt::AlignVCenter;

} // namespace

HvTable::HvTable(QWidget *parent)
    : QTableWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    // Sized to the longest text, so that no status reads "Voltage Co...".
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto *delegate = new HvTableItemDelegate(this);
    setItemDelegate(delegate);
    connect(delegate, &HvTableItemDelegate::dataEntered, this, &HvTable::dataEntered);
    // Committed or not, a closing editor ends the edit.
    connect(delegate, &QAbstractItemDelegate::closeEditor, this, &HvTable::dataDiscarded);
}

bool HvTable::isEditableColumn(int column)
{
    return column == VoltageSetColumn || column == CurrentSetColumn;
}

void HvTable::setChannelCount(int n)
{
    n = qMax(0, n);
    setRowCount(n);
    for (int row = 0; row < n; ++row) {
        const QString text = tr("Channel %1").arg(row);
        if (QTableWidgetItem *header = verticalHeaderItem(row))
            header->setText(text);
        else
            setVerticalHeaderItem(row, new QTableWidgetItem(text));
        setRowHeight(row, RowHeight);
    }
    // Removing the edited row drops its editor without a closeEditor signal.
    if (m_editRow >= n)
        dataDiscarded();
}

void HvTable::setHeader(int column, const QString &text)
{
    // Out of range the model would neither take nor free the item.
    if (column < 0 || column >= columnCount())
        return;
    if (QTableWidgetItem *header = horizontalHeaderItem(column)) {
        header->setText(text);
        header->setTextAlignment(CellAlignment);
        return;
    }
    auto *header = new QTableWidgetItem(text);
    header->setTextAlignment(CellAlignment);
    setHorizontalHeaderItem(column, header);
}

void HvTable::setUnits(const QString &voltageUnit, const QString &currentUnit)
{
    setHeader(VoltageSetColumn, tr("Vset (%1)").arg(voltageUnit));
    setHeader(VoltageMeasureColumn, tr("Vmeas (%1)").arg(voltageUnit));
    setHeader(VoltageNominalColumn, tr("Vnominal (%1)").arg(voltageUnit));
    setHeader(CurrentSetColumn, tr("Iset (%1)").arg(currentUnit));
    setHeader(CurrentMeasureColumn, tr("Imeas (%1)").arg(currentUnit));
    setHeader(CurrentNominalColumn, tr("Inominal (%1)").arg(currentUnit));
    setHeader(StatusColumn, tr("Status"));
}

void HvTable::setColumnWidths(int width) { horizontalHeader()->setMinimumSectionSize(width); }

void HvTable::setCell(int row, int column, const QString &text, const QColor &colour)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    if (isEditCell(row, column))
        return;

    // The refresh cycle writes a row every tick: reuse the cell's item so an
    // unchanged value costs no allocation and no repaint.
    QTableWidgetItem *cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        cell->setTextAlignment(CellAlignment);
        setItem(row, column, cell);
    }
    cell->setText(text);
    cell->setData(Qt::ForegroundRole, QVariant());
    if (colour != QColor(Qt::white))
        cell->setBackground(colour);
    else
        cell->setData(Qt::BackgroundRole, QVariant());
}

void HvTable::markRowStale(int row)
{
    const QColor stale = palette().color(QPalette::Disabled, QPalette::Text);
    for (int column = 0; column < columnCount(); ++column) {
        if (QTableWidgetItem *cell = item(row, column))
            cell->setForeground(stale);
    }
}

bool HvTable::hasMultipleSelection() const { return selectedIndexes().size() > 1; }

QList<int> HvTable::selectedRows() const
{
    QList<int> rows;
    const QModelIndexList indexes = selectedIndexes();
    rows.reserve(indexes.size());
    for (const QModelIndex &index : indexes)
        rows.append(index.row());
    return rows;
}

void HvTable::dataEntered(int row, int column, const QString &text)
{
    if (!isEditableColumn(column))
        return;
    const SetValueInput::Result number = SetValueInput::number(text, locale());
    if (!number.accepted)
        emit entryRefused(row, column, text);
    else if (column == VoltageSetColumn)
        emit voltageSetEntered(row, number.value);
    else
        emit currentSetEntered(row, number.value);
}

void HvTable::dataDiscarded()
{
    m_editRow = -1;
    m_editColumn = -1;
}

void HvTable::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        dataDiscarded();
        break;
    case Qt::Key_F2:
        if (!isEditableColumn(currentColumn())) {
            event->accept();
            return;
        }
        rememberEditCell(currentRow(), currentColumn());
        QTableWidget::keyPressEvent(event);
        forgetEditCellUnlessEditing();
        return;
    default:
        break;
    }
    QTableWidget::keyPressEvent(event);
}

void HvTable::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The press that came with the double click has made the cell under the
    // pointer current; a double click beside the cells leaves the current
    // cell where it was and must not be taken for an edit of it.
    const QModelIndex under = indexAt(event->position().toPoint());
    if (!under.isValid() || !isEditableColumn(currentColumn()) || under != currentIndex()) {
        event->accept();
        return;
    }
    rememberEditCell(currentRow(), currentColumn());
    QTableWidget::mouseDoubleClickEvent(event);
    forgetEditCellUnlessEditing();
}

void HvTable::rememberEditCell(int row, int column)
{
    m_editRow = row;
    m_editColumn = column;
}

void HvTable::forgetEditCellUnlessEditing()
{
    // An edit that did not open an editor would otherwise freeze the cell.
    if (state() != QAbstractItemView::EditingState)
        dataDiscarded();
}

bool HvTable::isEditCell(int row, int column)
{
    if (row != m_editRow || column != m_editColumn)
        return false;
    if (state() == QAbstractItemView::EditingState)
        return true;
    // The editor went away without telling us (its row was removed or the
    // model reset): the cell belongs to the refresh cycle again.
    dataDiscarded();
    return false;
}
