// Special mode through the real main window over the simulated crate, with
// simulated time standing still: every countdown second moves it by one
// second, so the 5 s and 20 s waits cost no real time.
#include "FirmwareRecords.h"
#include "TestCrate.h"
#include "WindowTest.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogSpecial.h>
#include <FirmwareTransfer.h>
#include <NorvControl.h>
#include <norvsim.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using FirmwareRecords::record;

class TestSpecialMode : public WindowTest
{
    Q_OBJECT

    DialogSpecial *m_dialog = nullptr;

    // An S0 header, 12 data records of 16 bytes from `address` (S2), blank
    // lines between them, and the end record. `changed`: one data byte differs.
    QString firmware(const QString &name, bool changed = false, int badLine = 0)
    {
        QByteArray text = record(0, 0, "norv 2.5.0.1") + "\n\n";
        for (int i = 0; i < 12; ++i) {
            const QByteArray data = image().mid(16 * i, 16);
            text += record(2, 0x0E8000 + 16 * i, changed && i == 7 ? data.toUpper() : data,
                           text.count('\n') + 1 == badLine)
                + "\n \n";
        }
        QFile file(m_dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(text + record(8, 0x0E8000, "") + "\n");
        return file.fileName();
    }
    static QByteArray image()
    {
        return QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(8).left(192);
    }

    void open(int slot, const QJsonArray &modules = {})
    {
        QVERIFY(modules.isEmpty() ? TestCrate::resetDefault()
                                  : TestCrate::resetFrom(m_dir.path(), modules));
        m_window->crate()->initModuleAccess();
        m_window->crate()->selectModule(slot);
        m_window->findChild<QAction *>("actionSpecialMode")->trigger();
    }
    static QJsonObject fault(const QJsonObject &faults)
    {
        return TestCrate::module(0x4000, 20, 11, {{"faults", faults}});
    }
    void click(const char *name) { m_dialog->findChild<QPushButton *>(name)->click(); }

    // Sends the file and runs the refresh and the countdowns until the
    // transfer ends; the window's refresh must be running whenever no
    // countdown is.
    void transfer(const QString &fileName, bool write, std::function<void()> during = {})
    {
        m_dialog->setHexFilename(fileName);
        m_dialog->findChild<QRadioButton *>(write ? "chkS19ModeWrite" : "chkS19ModeCompare")
            ->setChecked(true);
        click("btnSendHexFile");
        FirmwareTransfer *t = m_dialog->transfer();
        for (int step = 0; step < 2000 && t->isRunning(); ++step) {
            if (m_dialog->countdownTimer()->isActive()) {
                norvsim_advance_ms(1000);
                m_dialog->timeout();
            } else {
                QVERIFY(m_window->crate()->isRefreshRunning());
                m_window->crate()->refreshTimerUpdate();
                if (during && t->state() == FirmwareTransfer::Burning)
                    std::exchange(during, nullptr)();
            }
        }
        QVERIFY(!t->isRunning());
        QCoreApplication::processEvents();
    }
    QStringList shown()
    {
        QStringList texts;
        for (const QString &line : std::as_const(m_prompt->shown)) // "kind: text [buttons]"
            texts << (line.endsWith(']') ? line.section(QStringLiteral(" ["), 0, -2) : line);
        m_prompt->shown.clear();
        return texts;
    }

private slots:
    // A fresh window on the default crate with the dialog open, before any report.
    void init()
    {
        WindowTest::init();
        TestCrate::setSetting("DefaultHexFileName", m_dir.filePath("default.hex"));
        m_window = std::make_unique<NorvControl>(QStringList {});
        m_window->crate()->setThreadedReads(false);
        m_window->findChild<QAction *>("actionSpecialMode")->setEnabled(true);
        open(0);
        m_dialog = m_window->findChild<DialogSpecial *>();
        QVERIFY(m_dialog && m_dialog->isVisible());
    }

    void setSpecialBeforeAnyReportAndCancelledChooser()
    {
        m_prompt->answerCancel(); // the default file stays
        click("btnSelectFile");
        QCOMPARE(m_dialog->findChild<QLineEdit *>("txtFileName")->text(),
                 m_dir.filePath("default.hex"));
        click("btnSetSpecial");
        QCOMPARE(norvsim_register(0x4000, 0x02), int64_t(0x0005));
    }

    void badFileRefusedBeforeAnyWrite()
    {
        QVERIFY(TestCrate::startTrace(m_dir.path()));
        m_dialog->setHexFilename(firmware("bad.hex", false, 7));
        click("btnSendHexFile");
        QCOMPARE(TestCrate::stopTrace('W'), QList<quint32>());
        const QStringList texts = shown();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.at(0).startsWith("warning: HEX file " + m_dir.filePath("bad.hex")
                                        + ", line 7 has the checksum"),
                 qPrintable(texts.at(0)));
        QCOMPARE(m_dialog->transfer()->state(), int(FirmwareTransfer::Idle));
    }

    void writeThenCompare_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("base");
        QTest::newRow("class 20") << 0 << 0x4000;
        QTest::newRow("class 29") << 1 << 0x8000;
    }
    void writeThenCompare()
    {
        QFETCH(int, slot);
        QFETCH(int, base);
        open(slot);
        // Mid-transfer: the module stays pinned, and the dialog may be closed.
        auto during = [&] {
            m_window->crate()->selectModule(1 - slot);
            QCOMPARE(m_window->crate()->currentModuleIndex(), slot);
            m_prompt->answerButton(QMessageBox::No);
            m_dialog->close();
            QVERIFY(m_dialog->isVisible());
            m_prompt->answerButton(QMessageBox::Yes);
            m_dialog->close();
            QVERIFY(!m_dialog->isVisible());
        };
        transfer(firmware("good.hex"), true, during);
        QCOMPARE(m_dialog->transfer()->state(), int(FirmwareTransfer::Idle));
        const QString question
            = "question: Update is running! Close anyway? (Update will continue in background)";
        QCOMPARE(shown(),
                 (QStringList {"information: Another operation is still running on the "
                               "module. Please wait until it has finished.",
                               question, question}));
        QCOMPARE(m_dialog->findChild<QPushButton *>("btnSync")->isEnabled(), slot == 1);
        QCOMPARE(norvsim_flash_size(base), image().size());
        for (int i = 0; i < image().size(); ++i)
            QCOMPARE(norvsim_flash_byte(base, 0x0E8000 + i), int(image().at(i)));
        QCOMPARE(m_window->crate()->module(slot)->GetModuleFirmwareRelease(), "25.01");

        m_window->findChild<QAction *>("actionSpecialMode")->trigger();
        transfer(m_dir.filePath("good.hex"), false);
        QCOMPARE(shown(), QStringList {"information: HEX file compare complete!"});
        transfer(firmware("changed.hex", true), false);
        QCOMPARE(shown(),
                 QStringList {"warning: Compare Error: Programs in Controller and HEX "
                              "fileare not identical!"});
        QVERIFY(m_dialog->findChild<QPushButton *>("btnSendHexFile")->isEnabled());
        click("btnEndSpecial");
    }

    void checksumErrorsAndTheResendCounter()
    {
        const QJsonArray twice {QJsonObject {{"record", 2}, {"times", 2}},
                                QJsonObject {{"record", 6}, {"times", 2}}};
        open(0, {fault({{"checksum_errors", twice}})});
        transfer(firmware("good.hex"), true);
        QCOMPARE(shown(), QStringList());
        auto *info = m_dialog->findChild<QLabel *>("txtInfo");
        QCOMPARE(info->text(), "4 HEX Lines sent again.");

        const QJsonArray once {QJsonObject {{"record", 3}, {"times", 1}}};
        open(0, {fault({{"checksum_errors", once}, {"sticky_checksum_error", true}})});
        transfer(firmware("good.hex"), true);
        QCOMPARE(
            shown(),
            QStringList {"warning: 3 Checksum Errors while transmitting HEX File. Giving Up!"});
        QCOMPARE(info->text(), "7 HEX Lines sent again.");
        QVERIFY(m_window->crate()->currentModule()->GetModuleStatus() & 0x0040);
    }
};

QTEST_MAIN(TestSpecialMode)
#include "tst_specialmode.moc"
