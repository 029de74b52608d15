// The detail dialogs reached through the real main window over the simulated
// crate: every action creates its dialog once, every connection is made (a
// failed one logs a warning, which fails the test), live data reaches the
// dialog and its requests reach the module.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <BaseModule.h>
#include <DialogChannelBounds.h>
#include <DialogChannelControl.h>
#include <DialogCrate.h>
#include <DialogModuleControl.h>
#include <DialogSuppliesTempLimits.h>
#include <DialogWiring.h>
#include <HvTable.h>
#include <NorvControl.h>
#include <norvsim.h>

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

constexpr int Base20 = 0x4000;
// Layout-20 channel block of channel 0: interlock maxima at +0x18 (V) and +0x1C (A).
constexpr quint32 Channel0VoltageIlkMax = 0x60 + 0x18;
constexpr quint32 Channel0CurrentIlkMax = 0x60 + 0x1C;

float registerFloat(int base, quint32 offset)
{
    const quint32 bits = quint32(norvsim_register(base, offset));
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void stopRefreshTimer(NorvControl &window)
{
    for (QTimer *timer : window.findChildren<QTimer *>()) {
        if (timer->interval() == 20)
            timer->stop();
    }
}

void trigger(NorvControl &window, const char *name)
{
    QAction *action = window.findChild<QAction *>(QString::fromLatin1(name));
    QVERIFY2(action, name);
    action->trigger();
}

// One full pass over the table, so every update signal has been sent once.
void refreshPass(NorvControl &window)
{
    window.refreshTimerUpdate(); // the first tick sizes the table
    const int rows = window.findChild<HvTable *>(QStringLiteral("table"))->rowCount();
    for (int tick = 0; tick <= rows + 1; ++tick)
        window.refreshTimerUpdate();
}

} // namespace

class TestNorvControlDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        TestCrate::useSettingsIn(m_dir.path());
        qputenv("NORV_SIM_TIMESCALE", "0");
        QLocale::setDefault(QLocale::c());
    }

    void init()
    {
        TestCrate::clearSettings();
        QVERIFY(TestCrate::resetDefault());
        // A connection the main window cannot make is logged by DialogWiring.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("cannot connect")));
    }

    void cleanup() { DialogWiring::setModalRunner({}); }

    void eachActionCreatesItsDialogOnce()
    {
        PromptRecorder prompt;
        NorvControl window(QStringList {});
        stopRefreshTimer(window);
        const struct
        {
            const char *action;
            const QMetaObject *dialog;
        } cases[] = {
            {"actionStatusControl", &DialogChannelControl::staticMetaObject},
            {"actionModuleStatusControl", &DialogModuleControl::staticMetaObject},
            {"actionBounds", &DialogChannelBounds::staticMetaObject},
            {"actionSuppliesAndTemperature", &DialogSuppliesTempLimits::staticMetaObject},
            {"actionCrates", &DialogCrate::staticMetaObject},
        };
        for (const auto &c : cases) {
            trigger(window, c.action);
            trigger(window, c.action);
            int found = 0;
            for (QDialog *dialog : window.findChildren<QDialog *>()) {
                if (dialog->metaObject() == c.dialog) {
                    ++found;
                    QVERIFY2(dialog->isVisible(), c.action);
                }
            }
            QVERIFY2(found == 1, c.action);
        }
    }

    void channelDialogFollowsTheSelectedChannel()
    {
        PromptRecorder prompt;
        NorvControl window(QStringList {});
        stopRefreshTimer(window);
        trigger(window, "actionStatusControl");
        auto *dialog = window.findChild<DialogChannelControl *>();
        QVERIFY(dialog);
        auto *isOn = dialog->findChild<QCheckBox *>(QStringLiteral("chk_isON"));
        QVERIFY(isOn);

        refreshPass(window);
        window.findChild<HvTable *>(QStringLiteral("table"))->setCurrentCell(2, 0);
        refreshPass(window);
        QVERIFY(!isOn->isChecked());

        // Switched on by the dialog's own request, seen by the next pass.
        auto *setOn = dialog->findChild<QCheckBox *>(QStringLiteral("chk_setON"));
        QVERIFY(setOn);
        setOn->setChecked(true);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnSetControl")),
                          Qt::LeftButton);
        QCOMPARE(TestCrate::channelControl(Base20, 20, 2) & 0x0008, 0x0008u);
        refreshPass(window);
        QVERIFY(isOn->isChecked());
        QVERIFY(dialog->windowTitle().contains(QLatin1String("2")));
    }

    void setBoundsReachesTheInterlockRegisters()
    {
        PromptRecorder prompt;
        NorvControl window(QStringList {});
        stopRefreshTimer(window);
        trigger(window, "actionBounds");
        auto *dialog = window.findChild<DialogChannelBounds *>();
        QVERIFY(dialog);
        refreshPass(window);
        window.findChild<HvTable *>(QStringLiteral("table"))->setCurrentCell(0, 0);
        refreshPass(window);

        auto *voltageMax = dialog->findChild<QDoubleSpinBox *>(QStringLiteral("spbVoltageIlkMax"));
        auto *currentMax = dialog->findChild<QDoubleSpinBox *>(QStringLiteral("spbCurrentIlkMax"));
        QVERIFY(voltageMax && currentMax);
        // Bounds may go 1 % beyond the 3000 V / 3 mA nominal.
        QCOMPARE(voltageMax->maximum(), 3030.0);
        voltageMax->setValue(2500.0);
        currentMax->setValue(2.0); // mA
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnSetBounds")),
                          Qt::LeftButton);
        QCOMPARE(registerFloat(Base20, Channel0VoltageIlkMax), 2500.0f);
        QCOMPARE(registerFloat(Base20, Channel0CurrentIlkMax), 0.002f);
        QVERIFY(prompt.shown().isEmpty());
    }

    void setCurrentTripWritesTheCurrentChannel()
    {
        PromptRecorder prompt;
        NorvControl window(QStringList {});
        stopRefreshTimer(window);
        refreshPass(window);
        window.findChild<HvTable *>(QStringLiteral("table"))->setCurrentCell(4, 3);
        int runs = 0;
        DialogWiring::setModalRunner([&runs](QDialog *dialog) {
            ++runs;
            auto *value = dialog->findChild<QDoubleSpinBox *>(QStringLiteral("sbValue"));
            if (!value)
                return int(QDialog::Rejected);
            value->setValue(1.25);
            return int(QDialog::Accepted);
        });
        trigger(window, "actionSetCurrentTrip");
        QCOMPARE(runs, 1);
        QCOMPARE(window.module(0)->GetChannelCurrentSet(4), 1.25f);
        QCOMPARE(window.module(0)->GetChannelCurrentSet(3), 3.0f); // untouched: the nominal

        trigger(window, "actionSetAllChannelsCurrentTrip");
        QCOMPARE(runs, 2);
        for (int channel = 0; channel < 12; ++channel)
            QCOMPARE(window.module(0)->GetChannelCurrentSet(channel), 1.25f);
    }
};

QTEST_MAIN(TestNorvControlDialogs)
#include "tst_norvcontrol_dialogs.moc"
