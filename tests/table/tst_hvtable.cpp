// The channel table: which cells open an editor, how an edit ends, that the
// refresh cycle cannot overwrite the cell being edited, and selection.
#include <HvTable.h>
#include <HvTableItemDelegate.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int Columns = 7;
constexpr int Channels = 12;

// Lets the test ask whether an editor is open.
class ProbeTable : public HvTable
{
public:
    using HvTable::HvTable;
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }
};

} // namespace

class TestHvTable : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void constructionAndLayout();
    void setCellWritesTextAlignmentAndBackground();
    void setCellOutsideTheTableIsIgnored();

    void doubleClickOpensEditorOnlyInSetColumns_data();
    void doubleClickOpensEditorOnlyInSetColumns();
    void doubleClickBesideTheCellsIsNoEdit();
    void f2OpensEditorOnlyInSetColumns_data();
    void f2OpensEditorOnlyInSetColumns();

    void committedEditEmitsCellDataChanged();
    void escapeDiscardsTheEdit();
    void editedCellIsLeftAloneByRefresh();
    void removedEditRowNoLongerBlocksItsCell();

    void selectedRowsListsEverySelectedCell();
    void selectedRowsKeepSelectionOrder();

private:
    QPoint centreOf(int row, int column) const;
    void doubleClick(int row, int column);
    void doubleClickAt(const QPoint &viewportPosition);
    QLineEdit *editor() const;
    void typeAndPress(const QString &text, Qt::Key key);

    ProbeTable *m_table = nullptr;
};

void TestHvTable::init()
{
    m_table = new ProbeTable;
    m_table->setColumnCount(Columns);
    m_table->setChannelCount(Channels);
    m_table->setColumnWidths(90);
    for (int row = 0; row < Channels; ++row) {
        for (int column = 0; column < Columns; ++column)
            m_table->setCell(row, column, QStringLiteral("%1.%2").arg(row).arg(column));
    }
    m_table->resize(800, 400);
    m_table->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_table));
}

void TestHvTable::cleanup()
{
    delete m_table;
    m_table = nullptr;
}

QPoint TestHvTable::centreOf(int row, int column) const
{
    return m_table->visualRect(m_table->model()->index(row, column)).center();
}

void TestHvTable::doubleClick(int row, int column) { doubleClickAt(centreOf(row, column)); }

void TestHvTable::doubleClickAt(const QPoint &viewportPosition)
{
    // Through the window, as the platform delivers it: press, release and a
    // second press that the application turns into the double click.
    const QPoint position = m_table->viewport()->mapTo(m_table, viewportPosition);
    QTest::mouseDClick(m_table->windowHandle(), Qt::LeftButton, {}, position);
}

QLineEdit *TestHvTable::editor() const
{
    const QList<QLineEdit *> editors = m_table->viewport()->findChildren<QLineEdit *>();
    for (QLineEdit *edit : editors) {
        if (edit->isVisible())
            return edit;
    }
    return nullptr;
}

void TestHvTable::typeAndPress(const QString &text, Qt::Key key)
{
    QLineEdit *edit = editor();
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, key);
}

void TestHvTable::constructionAndLayout()
{
    QCOMPARE(m_table->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(m_table->editTriggers(),
             QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    QVERIFY(qobject_cast<HvTableItemDelegate *>(m_table->itemDelegate()));
    QCOMPARE(m_table->editRow(), -1);
    QCOMPARE(m_table->editColumn(), -1);

    QCOMPARE(m_table->rowCount(), Channels);
    for (int row = 0; row < Channels; ++row) {
        QCOMPARE(m_table->verticalHeaderItem(row)->text(), QStringLiteral("Channel %1").arg(row));
        QCOMPARE(m_table->rowHeight(row), 20);
    }
    for (int column = 0; column < Columns; ++column)
        QCOMPARE(m_table->columnWidth(column), 90);

    // Fewer channels for the next module; the headers follow.
    m_table->setChannelCount(4);
    QCOMPARE(m_table->rowCount(), 4);
    QCOMPARE(m_table->verticalHeaderItem(3)->text(), QStringLiteral("Channel 3"));

    m_table->setHeader(0, QStringLiteral("Vset (V)"));
    m_table->setHeader(3, QStringLiteral("Iset (mA)"));
    QCOMPARE(m_table->horizontalHeaderItem(0)->text(), QStringLiteral("Vset (V)"));
    QCOMPARE(m_table->horizontalHeaderItem(3)->text(), QStringLiteral("Iset (mA)"));
    QCOMPARE(Qt::Alignment(m_table->horizontalHeaderItem(3)->textAlignment()),
             Qt::AlignRight | Qt::AlignVCenter);
    // Units change with the module: the same header is rewritten.
    m_table->setHeader(0, QStringLiteral("Vset (kV)"));
    QCOMPARE(m_table->horizontalHeaderItem(0)->text(), QStringLiteral("Vset (kV)"));
    m_table->setHeader(Columns, QStringLiteral("none"));
    QCOMPARE(m_table->columnCount(), Columns);
}

void TestHvTable::setCellWritesTextAlignmentAndBackground()
{
    m_table->setCell(1, 6, QStringLiteral("Emergency"), Qt::red);
    const QTableWidgetItem *status = m_table->item(1, 6);
    QCOMPARE(status->text(), QStringLiteral("Emergency"));
    QCOMPARE(status->background().color(), QColor(Qt::red));
    QCOMPARE(Qt::Alignment(status->textAlignment()), Qt::AlignRight | Qt::AlignVCenter);

    // White means "no colour": the red of the previous state must go.
    m_table->setCell(1, 6, QStringLiteral("Off"), Qt::white);
    QCOMPARE(m_table->item(1, 6)->text(), QStringLiteral("Off"));
    QVERIFY(!m_table->item(1, 6)->data(Qt::BackgroundRole).isValid());

    m_table->setCell(2, 1, QStringLiteral("12.5"));
    QCOMPARE(m_table->item(2, 1)->text(), QStringLiteral("12.5"));
    QVERIFY(!m_table->item(2, 1)->data(Qt::BackgroundRole).isValid());
}

void TestHvTable::setCellOutsideTheTableIsIgnored()
{
    m_table->setCell(Channels, 0, QStringLiteral("x"));
    m_table->setCell(0, Columns, QStringLiteral("x"));
    m_table->setCell(-1, 0, QStringLiteral("x"));
    QCOMPARE(m_table->rowCount(), Channels);
    QCOMPARE(m_table->columnCount(), Columns);
    QCOMPARE(m_table->item(0, 0)->text(), QStringLiteral("0.0"));
}

void TestHvTable::doubleClickOpensEditorOnlyInSetColumns_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("editable");
    QTest::newRow("Vset") << 0 << true;
    QTest::newRow("Vmeas") << 1 << false;
    QTest::newRow("Vnominal") << 2 << false;
    QTest::newRow("Iset") << 3 << true;
    QTest::newRow("Imeas") << 4 << false;
    QTest::newRow("Inominal") << 5 << false;
    QTest::newRow("Status") << 6 << false;
}

void TestHvTable::doubleClickOpensEditorOnlyInSetColumns()
{
    QFETCH(int, column);
    QFETCH(bool, editable);

    doubleClick(7, column);
    QCOMPARE(m_table->isEditing(), editable);
    QCOMPARE(editor() != nullptr, editable);
    QCOMPARE(m_table->editRow(), editable ? 7 : -1);
    QCOMPARE(m_table->editColumn(), editable ? column : -1);
}

void TestHvTable::doubleClickBesideTheCellsIsNoEdit()
{
    m_table->setCurrentCell(0, 0);
    const QPoint below = centreOf(Channels - 1, 0) + QPoint(0, 100);
    QVERIFY(!m_table->indexAt(below).isValid());
    doubleClickAt(below);
    QVERIFY(!m_table->isEditing());
    QCOMPARE(m_table->editRow(), -1);
    // The current cell still takes refresh values.
    m_table->setCell(0, 0, QStringLiteral("42.0"));
    QCOMPARE(m_table->item(0, 0)->text(), QStringLiteral("42.0"));
}

void TestHvTable::f2OpensEditorOnlyInSetColumns_data()
{
    doubleClickOpensEditorOnlyInSetColumns_data();
}

void TestHvTable::f2OpensEditorOnlyInSetColumns()
{
    QFETCH(int, column);
    QFETCH(bool, editable);

    m_table->setCurrentCell(5, column);
    QTest::keyClick(m_table, Qt::Key_F2);
    QCOMPARE(m_table->isEditing(), editable);
    QCOMPARE(m_table->editRow(), editable ? 5 : -1);
    QCOMPARE(m_table->editColumn(), editable ? column : -1);

    // Other keys still reach the table: the cursor moves.
    if (!editable) {
        QTest::keyClick(m_table, Qt::Key_Down);
        QCOMPARE(m_table->currentRow(), 6);
    }
}

void TestHvTable::committedEditEmitsCellDataChanged()
{
    QSignalSpy changed(m_table, &HvTable::cellDataChanged);

    doubleClick(4, 3);
    typeAndPress(QStringLiteral("1.25"), Qt::Key_Return);
    // The delegate commits from the event loop, after the key press.
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 4);
    QCOMPARE(changed.at(0).at(1).toInt(), 3);
    QCOMPARE(changed.at(0).at(2).toString(), QStringLiteral("1.25"));
    QVERIFY(!m_table->isEditing());
    QCOMPARE(m_table->editRow(), -1);
    QCOMPARE(m_table->editColumn(), -1);

    // Enter on the keypad commits as well; the text goes on unconverted.
    m_table->setCurrentCell(9, 0);
    QTest::keyClick(m_table, Qt::Key_F2);
    typeAndPress(QStringLiteral("abc"), Qt::Key_Enter);
    QTRY_COMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).toInt(), 9);
    QCOMPARE(changed.at(1).at(1).toInt(), 0);
    QCOMPARE(changed.at(1).at(2).toString(), QStringLiteral("abc"));
    QCOMPARE(m_table->editRow(), -1);
}

void TestHvTable::escapeDiscardsTheEdit()
{
    auto *delegate = qobject_cast<HvTableItemDelegate *>(m_table->itemDelegate());
    QSignalSpy discarded(delegate, &HvTableItemDelegate::dataDiscarded);
    QSignalSpy changed(m_table, &HvTable::cellDataChanged);

    doubleClick(2, 0);
    QCOMPARE(m_table->editRow(), 2);
    typeAndPress(QStringLiteral("55"), Qt::Key_Escape);
    QCOMPARE(discarded.count(), 1);
    QCOMPARE(changed.count(), 0);
    QVERIFY(!m_table->isEditing());
    QCOMPARE(m_table->editRow(), -1);
    QCOMPARE(m_table->editColumn(), -1);
    QCOMPARE(m_table->item(2, 0)->text(), QStringLiteral("2.0"));
}

void TestHvTable::editedCellIsLeftAloneByRefresh()
{
    QSignalSpy changed(m_table, &HvTable::cellDataChanged);
    doubleClick(5, 0);
    QVERIFY(m_table->isEditing());

    // A refresh tick writes the whole row while the operator types.
    const QStringList row {"999.0", "998.0", "1000.0", "1.0", "0.5", "2.0", "On"};
    for (int column = 0; column < Columns; ++column)
        m_table->setCell(5, column, row.at(column), column == 6 ? Qt::green : Qt::white);
    QCOMPARE(m_table->item(5, 0)->text(), QStringLiteral("5.0"));
    for (int column = 1; column < Columns; ++column)
        QCOMPARE(m_table->item(5, column)->text(), row.at(column));
    QCOMPARE(m_table->item(5, 6)->background().color(), QColor(Qt::green));
    // The same column of another row is not the edited cell.
    m_table->setCell(6, 0, QStringLiteral("60.0"));
    QCOMPARE(m_table->item(6, 0)->text(), QStringLiteral("60.0"));
    QVERIFY(m_table->isEditing());

    typeAndPress(QStringLiteral("250"), Qt::Key_Return);
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(2).toString(), QStringLiteral("250"));
    // After the edit the refresh owns the cell again.
    m_table->setCell(5, 0, QStringLiteral("249.9"));
    QCOMPARE(m_table->item(5, 0)->text(), QStringLiteral("249.9"));
}

void TestHvTable::removedEditRowNoLongerBlocksItsCell()
{
    // The next module has fewer channels: the edited row goes away with its
    // editor, and nothing may stay frozen when the rows come back.
    doubleClick(10, 3);
    QCOMPARE(m_table->editRow(), 10);
    m_table->setChannelCount(8);
    QCOMPARE(m_table->editRow(), -1);
    m_table->setChannelCount(Channels);
    m_table->setCell(10, 3, QStringLiteral("3.0"));
    QCOMPARE(m_table->item(10, 3)->text(), QStringLiteral("3.0"));

    // Clearing the table (as a module change does) drops the editor without
    // a closeEditor either; the new module's value must still show.
    doubleClick(1, 0);
    QVERIFY(m_table->isEditing());
    m_table->clear();
    QVERIFY(!m_table->isEditing());
    m_table->setCell(1, 0, QStringLiteral("7.0"));
    QVERIFY(m_table->item(1, 0));
    QCOMPARE(m_table->item(1, 0)->text(), QStringLiteral("7.0"));
    QCOMPARE(m_table->editRow(), -1);
}

void TestHvTable::selectedRowsListsEverySelectedCell()
{
    QTest::mouseClick(m_table->viewport(), Qt::LeftButton, {}, centreOf(2, 0));
    QVERIFY(!m_table->hasMultipleSelection());
    QCOMPARE(m_table->selectedRows(), QList<int>({2}));

    QTest::mouseClick(m_table->viewport(), Qt::LeftButton, Qt::ControlModifier, centreOf(2, 1));
    QTest::mouseClick(m_table->viewport(), Qt::LeftButton, Qt::ControlModifier, centreOf(2, 3));
    QVERIFY(m_table->hasMultipleSelection());
    QCOMPARE(m_table->selectedRows(), QList<int>({2, 2, 2}));

    m_table->clearSelection();
    QVERIFY(!m_table->hasMultipleSelection());
    QVERIFY(m_table->selectedRows().isEmpty());
}

void TestHvTable::selectedRowsKeepSelectionOrder()
{
    QTest::mouseClick(m_table->viewport(), Qt::LeftButton, {}, centreOf(8, 0));
    QTest::mouseClick(m_table->viewport(), Qt::LeftButton, Qt::ControlModifier, centreOf(1, 0));
    QTest::mouseClick(m_table->viewport(), Qt::LeftButton, Qt::ControlModifier, centreOf(4, 0));
    QCOMPARE(m_table->selectedRows(), QList<int>({8, 1, 4}));

    // A range across rows lists each row once per selected cell.
    QTest::mouseClick(m_table->viewport(), Qt::LeftButton, {}, centreOf(3, 0));
    QTest::mouseClick(m_table->viewport(), Qt::LeftButton, Qt::ShiftModifier, centreOf(4, 1));
    QList<int> rows = m_table->selectedRows();
    std::sort(rows.begin(), rows.end());
    QCOMPARE(rows, QList<int>({3, 3, 4, 4}));
}

QTEST_MAIN(TestHvTable)
#include "tst_hvtable.moc"
