// Controller connection, the bus scan, the module connection states and
// module/channel selection of the main window, over the real adapters and
// the simulated crate.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <BaseController.h>
#include <BaseModule.h>
#include <HvTable.h>
#include <NorvControl.h>
#include <SettingsStore.h>
#include <norvsim.h>

#include <QAction>
#include <QFile>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Title = QStringLiteral("norv VME Control");

QStringList listTexts(NorvControl &window)
{
    auto *list = window.findChild<QListWidget *>(QStringLiteral("lstModules"));
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

QListWidget *moduleList(NorvControl &window)
{
    return window.findChild<QListWidget *>(QStringLiteral("lstModules"));
}

QLabel *controllerLabel(NorvControl &window)
{
    return window.statusBar()->findChild<QLabel *>(QStringLiteral("controllerLabel"));
}

QJsonObject module(const char *base, int deviceClass, int serial)
{
    return QJsonObject {{QStringLiteral("base"), QString::fromLatin1(base)},
                        {QStringLiteral("class"), deviceClass},
                        {QStringLiteral("serial"), serial}};
}

void trigger(NorvControl &window, const char *action)
{
    auto *found = window.findChild<QAction *>(QString::fromLatin1(action));
    QVERIFY2(found, action);
    found->trigger();
}

} // namespace

class TestNorvControlDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void scanListsTheDefaultCratesModules();
    void scanProbesEveryBaseAddressOnce();
    void describedCrateFindsTopAddressAndOnlyKnownClasses();
    void emptyCrateRunsTheRefreshWithAnEmptyList();
    void noBridgeWarnsAndLeavesAPlaceholder();
    void choosingAControllerAgainReconnects();
    void cancelledControllerChoiceChangesNothing();

    void silentModuleShowsNotConnectedAndComesBack();
    void moduleSilentFromTheStartStaysConnecting();

    void previousAndNextModuleWrap();
    void reselectingTheCurrentRowEmitsNothing();
    void selectModuleDialog();
    void selectChannelDialogAndChannelSelection();

private:
    QTemporaryDir m_dir;
};

void TestNorvControlDiscovery::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::useSettingsIn(m_dir.path());
}

void TestNorvControlDiscovery::init()
{
    TestCrate::clearSettings();
    QVERIFY(TestCrate::resetDefault());
}

void TestNorvControlDiscovery::scanListsTheDefaultCratesModules()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});

    // 0xC000 answers as a norv module of class 33: it must not be listed.
    QCOMPARE(norvsim_module_count(), 3);
    QCOMPARE(window.moduleCount(), 2);
    QCOMPARE(listTexts(window),
             (QStringList {QStringLiteral("VME BA 0x4000\n4711"),
                           QStringLiteral("VME BA 0x8000\n4712")}));
    QCOMPARE(window.module(0)->GetModuleBaseAddress(), quint16(0x4000));
    QCOMPARE(window.module(1)->GetModuleBaseAddress(), quint16(0x8000));
    QCOMPARE(window.module(2), nullptr);
    QCOMPARE(window.controller()->name(), QStringLiteral("Wiener VM-USB"));
    QCOMPARE(controllerLabel(window)->text(), window.controller()->statusText());
    QVERIFY(window.controller()->statusText().contains(QLatin1String("VM0042")));
    QVERIFY(window.isRefreshRunning());
    QCOMPARE(moduleList(window)->currentRow(), 0);
    QCOMPARE(window.currentModuleIndex(), 0);
    QVERIFY(prompt.shown().isEmpty());
}

void TestNorvControlDiscovery::scanProbesEveryBaseAddressOnce()
{
    const QString tracePath = m_dir.filePath(QStringLiteral("scan.trace"));
    QVERIFY(norvsim_trace(QFile::encodeName(tracePath).constData()) == 0);
    {
        PromptRecorder prompt;
        NorvControl window(QStringList {});
        QCOMPARE(window.moduleCount(), 2);
    }
    norvsim_trace(nullptr);

    QFile trace(tracePath);
    QVERIFY(trace.open(QIODevice::ReadOnly));
    // Identification starts with the vendor word at 0x5C of each window.
    QSet<quint32> probed;
    int vendorReads = 0;
    while (!trace.atEnd()) {
        const QList<QByteArray> fields = trace.readLine().simplified().split(' ');
        QVERIFY(fields.size() >= 6);
        const quint32 address = fields.at(2).toUInt(nullptr, 16);
        QCOMPARE(fields.at(3).toUInt(nullptr, 16), 0x29u);
        if (fields.at(1) == "R" && (address & 0x3FF) == 0x5C) {
            probed.insert(address & ~0x3FFu);
            ++vendorReads;
        }
    }
    QSet<quint32> expected;
    for (quint32 base = 0; base <= 0xFC00; base += 0x400)
        expected.insert(base);
    QCOMPARE(probed, expected);
    QVERIFY(vendorReads >= 64);
}

void TestNorvControlDiscovery::describedCrateFindsTopAddressAndOnlyKnownClasses()
{
    QVERIFY2(
        TestCrate::resetFrom(m_dir.path(),
                             QJsonArray {module("0x0000", 29, 1001), module("0x1000", 21, 1002),
                                         module("0x2000", 33, 1003), module("0x9C00", 20, 1004),
                                         module("0xFC00", 20, 1005)}),
        norvsim_last_error());
    PromptRecorder prompt;
    NorvControl window(QStringList {});

    QCOMPARE(window.moduleCount(), 3);
    QCOMPARE(
        listTexts(window),
        (QStringList {QStringLiteral("VME BA 0x0000\n1001"), QStringLiteral("VME BA 0x9c00\n1004"),
                      QStringLiteral("VME BA 0xfc00\n1005")}));
    QCOMPARE(window.module(2)->GetModuleBaseAddress(), quint16(0xFC00));
    window.refreshTimerUpdate();
    window.refreshTimerUpdate();
    QCOMPARE(window.moduleState(2), int(NorvControl::StateAnswering));
    QCOMPARE(window.module(2)->GetModuleSerialNumber(), 1005);
}

void TestNorvControlDiscovery::emptyCrateRunsTheRefreshWithAnEmptyList()
{
    QVERIFY(TestCrate::resetFrom(m_dir.path(), QJsonArray {}));
    PromptRecorder prompt;
    NorvControl window(QStringList {});

    QCOMPARE(window.moduleCount(), 0);
    QCOMPARE(moduleList(window)->count(), 0);
    QVERIFY(window.isRefreshRunning());
    QVERIFY(prompt.shown().isEmpty());
    window.refreshTimerUpdate();
    QCOMPARE(window.module(0), nullptr);
}

void TestNorvControlDiscovery::noBridgeWarnsAndLeavesAPlaceholder()
{
    QVERIFY(TestCrate::resetWithoutBridge());
    PromptRecorder prompt;
    NorvControl window(QStringList {});

    QCOMPARE(prompt.shown().size(), 1);
    const PromptRecorder::Shown warning = prompt.shown().first();
    QCOMPARE(warning.kind, QStringLiteral("warning"));
    QCOMPARE(warning.title, Title);
    QCOMPARE(warning.text,
             QStringLiteral(
                 "Can not init VME controller Wiener VM-USB!\nMaybe there is no controller "
                 "connected over USB?\n\nYou can try re-powering the crate and re-plugging the "
                 "USB cord\nand then select menu File --> Select VME Controller --> Yes."));
    QCOMPARE(warning.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    QLabel *label = controllerLabel(window);
    QCOMPARE(label->text(),
             QStringLiteral("<font color=\"red\">Not connected to VME controller Wiener VM-USB!"));
    QVERIFY(Qt::mightBeRichText(label->text()));

    QCOMPARE(window.moduleCount(), 0);
    QCOMPARE(moduleList(window)->count(), 0);
    QVERIFY(!window.isRefreshRunning());
    BaseModule *placeholder = window.module(0);
    QVERIFY(placeholder);
    QCOMPARE(placeholder->GetModuleBaseAddress(), quint16(0));
    QVERIFY(!placeholder->connected());

    // Ticks ignore the uncounted placeholder.
    window.refreshTimerUpdate();
    QCOMPARE(moduleList(window)->count(), 0);
}

void TestNorvControlDiscovery::choosingAControllerAgainReconnects()
{
    QVERIFY(TestCrate::resetWithoutBridge());
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QPointer<BaseModule> placeholder = window.module(0);
    QVERIFY(placeholder);

    // The bridge is plugged in; the operator picks the controller again.
    QVERIFY(TestCrate::resetDefault());
    prompt.clear();
    prompt.answerValue(QStringLiteral("Wiener VM-USB"));
    trigger(window, "actionController");

    QCOMPARE(prompt.shown().size(), 1);
    const PromptRecorder::Shown choice = prompt.shown().first();
    QCOMPARE(choice.kind, QStringLiteral("getItem"));
    QCOMPARE(choice.title, Title);
    QCOMPARE(choice.text, QStringLiteral("Please select the VME controller to connect to:"));
    QCOMPARE(choice.items,
             (QStringList {QStringLiteral("Wiener VM-USB"), QStringLiteral("CAEN V1718")}));
    QCOMPARE(choice.current, 0);
    QVERIFY(!choice.editable);

    // The placeholder went with its controller; no slot beyond the count is left.
    QVERIFY(placeholder.isNull());
    QCOMPARE(window.moduleCount(), 2);
    for (int slot = window.moduleCount(); slot < NorvControl::MaxModules; ++slot)
        QCOMPARE(window.module(slot), nullptr);
    QCOMPARE(window.module(0)->GetModuleSerialNumber(), 4711);
    QVERIFY(window.isRefreshRunning());
    QCOMPARE(controllerLabel(window)->text(), window.controller()->statusText());

    // Choosing the CAEN bridge stores it, preselects it next time, and
    // reaches the same crate through the other adapter.
    QPointer<BaseModule> previous = window.module(0);
    prompt.clear();
    prompt.answerValue(QStringLiteral("CAEN V1718"));
    trigger(window, "actionController");
    QCOMPARE(SettingsStore::vmeController(), QStringLiteral("V1718"));
    QCOMPARE(window.controller()->name(), QStringLiteral("CAEN V1718"));
    QVERIFY(previous.isNull());
    QCOMPARE(listTexts(window),
             (QStringList {QStringLiteral("VME BA 0x4000\n4711"),
                           QStringLiteral("VME BA 0x8000\n4712")}));

    prompt.clear();
    prompt.answerValue(QStringLiteral("Wiener VM-USB"));
    trigger(window, "actionController");
    QCOMPARE(prompt.shown().first().current, 1);
    QCOMPARE(SettingsStore::vmeController(), QStringLiteral("VM-USB"));
    QCOMPARE(window.controller()->name(), QStringLiteral("Wiener VM-USB"));
    QVERIFY(prompt.shown("warning").isEmpty());
}

void TestNorvControlDiscovery::cancelledControllerChoiceChangesNothing()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    BaseController *controller = window.controller();
    QPointer<BaseModule> first = window.module(0);

    prompt.answerCancel();
    trigger(window, "actionController");
    prompt.answerValue(QString());
    trigger(window, "actionController");

    QCOMPARE(prompt.shown("getItem").size(), 2);
    QCOMPARE(window.controller(), controller);
    QVERIFY(!first.isNull());
    QVERIFY(window.isRefreshRunning());
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Norvtek"),
                    QStringLiteral("norvcontrol"));
    QVERIFY(!store.contains(QStringLiteral("VmeController")));
}

void TestNorvControlDiscovery::silentModuleShowsNotConnectedAndComesBack()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    // A fresh module object spends its first read on identification, so the
    // second module shows its serial number from the second tick on.
    // The current module answers and the same tick shows its details.
    window.refreshTimerUpdate();
    QCOMPARE(window.moduleState(0), int(NorvControl::StateShown));
    QCOMPARE(window.moduleState(1), int(NorvControl::StateNew));
    QCOMPARE(listTexts(window).at(1), QStringLiteral("VME BA 0x8000\nConnecting..."));
    window.refreshTimerUpdate();
    QCOMPARE(window.moduleState(1), int(NorvControl::StateAnswering));

    QCOMPARE(norvsim_inject_unplug(0x4000, -1), 0);
    window.refreshTimerUpdate();
    QCOMPARE(window.moduleState(0), int(NorvControl::StateNotAnswering));
    QCOMPARE(listTexts(window),
             (QStringList {QStringLiteral("VME BA 0x4000\nNot connected"),
                           QStringLiteral("VME BA 0x8000\n4712")}));
    window.refreshTimerUpdate();
    QCOMPARE(window.moduleState(0), int(NorvControl::StateNotAnswering));

    QCOMPARE(norvsim_inject_replug(0x4000), 0);
    // The module object re-identifies on the first tick; it shows its serial
    // number again within a couple of ticks.
    for (int tick = 0; tick < 3 && window.moduleState(0) != NorvControl::StateShown; ++tick)
        window.refreshTimerUpdate();
    QCOMPARE(window.moduleState(0), int(NorvControl::StateShown));
    QCOMPARE(listTexts(window).first(), QStringLiteral("VME BA 0x4000\n4711"));
    QCOMPARE(window.moduleState(1), int(NorvControl::StateAnswering));
    QVERIFY(prompt.shown().isEmpty());
}

void TestNorvControlDiscovery::moduleSilentFromTheStartStaysConnecting()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QCOMPARE(norvsim_inject_unplug(0x8000, -1), 0);

    window.refreshTimerUpdate();
    window.refreshTimerUpdate();
    QCOMPARE(window.moduleState(1), int(NorvControl::StateNew));
    QCOMPARE(listTexts(window).at(1), QStringLiteral("VME BA 0x8000\nConnecting..."));

    QCOMPARE(norvsim_inject_replug(0x8000), 0);
    for (int tick = 0; tick < 3 && window.moduleState(1) == NorvControl::StateNew; ++tick)
        window.refreshTimerUpdate();
    QCOMPARE(window.moduleState(1), int(NorvControl::StateAnswering));
    QCOMPARE(listTexts(window).at(1), QStringLiteral("VME BA 0x8000\n4712"));
}

void TestNorvControlDiscovery::previousAndNextModuleWrap()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QSignalSpy moduleChanged(&window, &NorvControl::currentModuleChanged);
    QSignalSpy channelChanged(&window, &NorvControl::currentChannelChanged);
    QCOMPARE(moduleList(window)->currentRow(), 0);

    trigger(window, "actionPreviousModule");
    QCOMPARE(moduleList(window)->currentRow(), 1);
    QCOMPARE(window.currentModuleIndex(), 1);
    QCOMPARE(moduleChanged.size(), 1);
    QCOMPARE(moduleChanged.at(0).at(0).toInt(), 4712);
    QCOMPARE(channelChanged.size(), 1);
    QCOMPARE(channelChanged.at(0).at(0).toInt(), 4712);

    trigger(window, "actionNextModule");
    QCOMPARE(window.currentModuleIndex(), 0);
    QCOMPARE(moduleChanged.size(), 2);
    QCOMPARE(moduleChanged.at(1).at(0).toInt(), 4711);

    trigger(window, "actionNextModule");
    QCOMPARE(window.currentModuleIndex(), 1);
    trigger(window, "actionNextModule");
    QCOMPARE(window.currentModuleIndex(), 0);
    QCOMPARE(moduleChanged.size(), 4);
}

void TestNorvControlDiscovery::reselectingTheCurrentRowEmitsNothing()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    window.refreshTimerUpdate();
    trigger(window, "actionNextModule");
    QCOMPARE(window.currentModuleIndex(), 1);

    QSignalSpy moduleChanged(&window, &NorvControl::currentModuleChanged);
    QVERIFY(QMetaObject::invokeMethod(&window, "on_lstModules_currentRowChanged", Q_ARG(int, 1)));
    QCOMPARE(moduleChanged.size(), 0);
    // Rows outside the list are ignored.
    QVERIFY(QMetaObject::invokeMethod(&window, "on_lstModules_currentRowChanged", Q_ARG(int, 2)));
    QVERIFY(QMetaObject::invokeMethod(&window, "on_lstModules_currentRowChanged", Q_ARG(int, -1)));
    QCOMPARE(window.currentModuleIndex(), 1);
    QCOMPARE(moduleChanged.size(), 0);
}

void TestNorvControlDiscovery::selectModuleDialog()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QSignalSpy moduleChanged(&window, &NorvControl::currentModuleChanged);

    prompt.answerValue(1);
    trigger(window, "actionSelectModule");
    QCOMPARE(prompt.shown().size(), 1);
    const PromptRecorder::Shown asked = prompt.shown().first();
    QCOMPARE(asked.kind, QStringLiteral("getInt"));
    QCOMPARE(asked.title, Title);
    QCOMPARE(asked.text, QStringLiteral("Select Module (0...1):"));
    QCOMPARE(asked.value, 0.0);
    QCOMPARE(asked.minValue, 0.0);
    QCOMPARE(asked.maxValue, 1.0);
    QCOMPARE(window.currentModuleIndex(), 1);
    QCOMPARE(moduleChanged.size(), 1);

    prompt.answerCancel();
    trigger(window, "actionSelectModule");
    QCOMPARE(prompt.shown().last().value, 1.0);
    QCOMPARE(window.currentModuleIndex(), 1);

    // With no module there is nothing to offer: no dialog at all.
    QVERIFY(TestCrate::resetFrom(m_dir.path(), QJsonArray {}));
    NorvControl empty(QStringList {});
    prompt.clear();
    trigger(empty, "actionSelectModule");
    QVERIFY(prompt.shown().isEmpty());
}

void TestNorvControlDiscovery::selectChannelDialogAndChannelSelection()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    auto *table = window.findChild<HvTable *>(QStringLiteral("table"));
    auto *channelLabel = window.findChild<QLabel *>(QStringLiteral("lblChannel"));
    QVERIFY(table && channelLabel);
    // The refresh cycle sizes the table for the module shown.
    table->setRowCount(window.module(0)->GetModuleChannelNumber());
    QSignalSpy channelChanged(&window, &NorvControl::currentChannelChanged);

    prompt.answerValue(5);
    trigger(window, "actionSelectChannel");
    const PromptRecorder::Shown asked = prompt.shown().first();
    QCOMPARE(asked.kind, QStringLiteral("getInt"));
    QCOMPARE(asked.title, Title);
    QCOMPARE(asked.text, QStringLiteral("Select Channel (0...11):"));
    QCOMPARE(asked.minValue, 0.0);
    QCOMPARE(asked.maxValue, 11.0);
    QCOMPARE(table->currentRow(), 5);
    QCOMPARE(table->currentColumn(), 0);
    QCOMPARE(channelLabel->text(), QStringLiteral("Channel 5 selected"));
    QCOMPARE(channelChanged.size(), 1);
    QCOMPARE(channelChanged.at(0).at(0).toInt(), 4711);
    QCOMPARE(channelChanged.at(0).at(1).toInt(), 5);

    // Another cell of the same row: label again, no new report.
    table->setCurrentCell(5, 3);
    QCOMPARE(channelChanged.size(), 1);

    prompt.answerValue(2);
    trigger(window, "actionSelectChannel");
    QCOMPARE(prompt.shown().last().value, 5.0);
    QCOMPARE(channelChanged.size(), 2);
    QCOMPARE(channelChanged.at(1).at(1).toInt(), 2);

    // The 24-channel module offers 0...23.
    trigger(window, "actionNextModule");
    prompt.answerCancel();
    trigger(window, "actionSelectChannel");
    QCOMPARE(prompt.shown().last().text, QStringLiteral("Select Channel (0...23):"));
}

QTEST_MAIN(TestNorvControlDiscovery)
#include "tst_norvcontrol_discovery.moc"
