// The channel table: which cells open an editor, how an edit ends, that the
// refresh cycle cannot overwrite the cell being edited.
#include <HvTable.h>
#include <HvTableItemDelegate.h>

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
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }
};

} // namespace

class TestHvTable : public QObject
{
    Q_OBJECT

    ProbeTable *m_table = nullptr;

    void doubleClick(int row, int column)
    {
        // Through the window, as the platform delivers it: press, release and
        // a second press that the application turns into the double click.
        const QRect cell = m_table->visualRect(m_table->model()->index(row, column));
        QTest::mouseDClick(m_table->windowHandle(), Qt::LeftButton, {},
                           m_table->viewport()->mapTo(m_table, cell.center()));
    }
    void typeAndPress(const QString &text, Qt::Key key)
    {
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, key);
    }
    QString text(int row, int column) const { return m_table->item(row, column)->text(); }

private slots:
    void init()
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

    void cleanup() { delete m_table; }

    void onlySetColumnsOpenAnEditor_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<int>("column");
        for (int column = 0; column < Columns; ++column) {
            QTest::addRow("double click, column %d", column) << true << column;
            QTest::addRow("F2, column %d", column) << false << column;
        }
    }
    void onlySetColumnsOpenAnEditor()
    {
        QFETCH(bool, doubleClick);
        QFETCH(int, column);
        const bool editable = column == 0 || column == 3;
        m_table->setCurrentCell(7, column);
        if (doubleClick)
            this->doubleClick(7, column);
        else
            QTest::keyClick(m_table, Qt::Key_F2);
        QCOMPARE(m_table->isEditing(), editable);
        QCOMPARE(m_table->editRow(), editable ? 7 : -1);
        QCOMPARE(m_table->editColumn(), editable ? column : -1);
        // Refused or not, the cell still takes refresh values unless edited.
        m_table->setCell(7, column, QStringLiteral("42.0"));
        QCOMPARE(text(7, column), editable ? QStringLiteral("7.%1").arg(column) : "42.0");
    }

    void editedCellIsLeftAloneUntilCommittedOrDiscarded()
    {
        // Committing with Return, text that is no number and the voltage column
        // are the window tests' part.
        QSignalSpy currents(m_table, &HvTable::currentSetEntered);
        auto *delegate = qobject_cast<HvTableItemDelegate *>(m_table->itemDelegate());
        QSignalSpy discarded(delegate, &HvTableItemDelegate::dataDiscarded);
        doubleClick(4, 3);
        QVERIFY(m_table->isEditing());
        // A refresh tick writes the whole row while the operator types.
        for (int column = 0; column < Columns; ++column)
            m_table->setCell(4, column, QStringLiteral("999.0"),
                             column == 6 ? Qt::green : Qt::white);
        m_table->setCell(5, 3, QStringLiteral("60.0")); // the same column, another row
        QCOMPARE(text(4, 3), QStringLiteral("4.3"));
        QCOMPARE(text(4, 0), QStringLiteral("999.0"));
        QCOMPARE(m_table->item(4, 6)->background().color(), QColor(Qt::green));
        QCOMPARE(text(5, 3), QStringLiteral("60.0"));
        typeAndPress(QStringLiteral("1.25"), Qt::Key_Enter); // on the keypad
        doubleClick(2, 0);
        typeAndPress(QStringLiteral("55"), Qt::Key_Escape);
        // The delegate commits from the event loop, after the key press.
        QTRY_COMPARE(discarded.count(), 1);
        QCOMPARE(currents.count(), 1);
        QCOMPARE(currents.at(0), (QVariantList {4, 1.25f}));
        QCOMPARE(text(2, 0), QStringLiteral("2.0"));
        QVERIFY(!m_table->isEditing());
        QCOMPARE(m_table->editRow(), -1);
        QCOMPARE(m_table->editColumn(), -1);
        // After the edit the refresh owns the cell again; white clears the colour.
        m_table->setCell(4, 3, QStringLiteral("1.2"));
        m_table->setCell(4, 6, QStringLiteral("Off"), Qt::white);
        QCOMPARE(text(4, 3), QStringLiteral("1.2"));
        QVERIFY(!m_table->item(4, 6)->data(Qt::BackgroundRole).isValid());
    }

    void editorThatVanishesNoLongerBlocksItsCell()
    {
        // The next module has fewer channels: the edited row goes away with its
        // editor, and nothing may stay frozen when the rows come back.
        doubleClick(10, 3);
        QCOMPARE(m_table->editRow(), 10);
        m_table->setChannelCount(8);
        QCOMPARE(m_table->editRow(), -1);
        m_table->setChannelCount(Channels);
        m_table->setCell(10, 3, QStringLiteral("3.0"));
        QCOMPARE(text(10, 3), QStringLiteral("3.0"));
        // Clearing the table drops the editor without a closeEditor either.
        doubleClick(1, 0);
        QVERIFY(m_table->isEditing());
        m_table->clear();
        m_table->setCell(1, 0, QStringLiteral("7.0"));
        QCOMPARE(text(1, 0), QStringLiteral("7.0"));
        QCOMPARE(m_table->editRow(), -1);
    }
};

QTEST_MAIN(TestHvTable)
#include "tst_hvtable.moc"
