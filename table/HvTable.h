#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QTableWidget>

class QKeyEvent;
class QMouseEvent;

/// The channel table of the main window: one row per channel of the current
/// module. The main window's form promotes its `table` widget to this class.
///
/// Only the set voltage (column 0) and set current (column 3) can be edited.
/// The refresh cycle rewrites every cell many times a second, so the table
/// remembers the cell whose editor is open and `setCell` leaves it alone.
class HvTable : public QTableWidget
{
    Q_OBJECT

public:
    /// The columns; only the set voltage and the set current are editable.
    enum Column {
        VoltageSetColumn = 0,
        VoltageMeasureColumn = 1,
        VoltageNominalColumn = 2,
        CurrentSetColumn = 3,
        CurrentMeasureColumn = 4,
        CurrentNominalColumn = 5,
        StatusColumn = 6
    };
    /// Height of every channel row in pixels.
    static constexpr int RowHeight = 20;

    explicit HvTable(QWidget *parent = nullptr);

    /// Sizes the table to n channel rows headed "Channel 0" ... and 20 pixels high.
    void setChannelCount(int n);
    /// Puts a right-aligned header item with this text on the column.
    void setHeader(int column, const QString &text);
    /// Heads the columns, the values with their units.
    void setUnits(const QString &voltageUnit, const QString &currentUnit);
    /// Gives every column at least this width in pixels; wider content widens
    /// its column, so no text is cut.
    void setColumnWidths(int width);
    /// Writes a right-aligned cell, with the colour as background unless it is
    /// white; the cell being edited is left alone.
    void setCell(int row, int column, const QString &text, const QColor &colour = Qt::white);
    /// Greys the row's texts: they are the last values read, not the present
    /// ones. The next setCell of a cell makes it live again.
    void markRowStale(int row);

    /// True when more than one cell is selected.
    bool hasMultipleSelection() const;
    /// The row of every selected cell in selection order (a row once per selected cell).
    QList<int> selectedRows() const;

    /// Row of the cell being edited, -1 when none.
    int editRow() const { return m_editRow; }
    /// Column of the cell being edited, -1 when none.
    int editColumn() const { return m_editColumn; }

    /// True for the columns the operator may edit.
    static bool isEditableColumn(int column);

signals:
    /// A set voltage was typed into the row of `channel`.
    void voltageSetEntered(int channel, double value);
    /// A set current was typed into the row of `channel`.
    void currentSetEntered(int channel, double value);
    /// Text that is no number was typed into a set value.
    void entryRefused(int channel, int column, const QString &text);

public slots:
    /// Passes a committed edit of a set value on as a number, read in the
    /// table's locale (group separators as shown) or in C form; text that is
    /// no number is refused.
    void dataEntered(int row, int column, const QString &text);
    /// Forgets the edit cell: the editor has closed.
    void dataDiscarded();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void rememberEditCell(int row, int column);
    void forgetEditCellUnlessEditing();
    bool isEditCell(int row, int column);

    int m_editRow = -1;
    int m_editColumn = -1;
};
