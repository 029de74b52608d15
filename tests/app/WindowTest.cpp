#include "WindowTest.h"

#include "TestCrate.h"

#include <CrateCore.h>
#include <HvTable.h>
#include <ModalRuns.h>
#include <norvsim.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QtTest>

NorvControl &WindowTest::start(const QStringList &arguments)
{
    m_window.reset();
    m_window = std::make_unique<NorvControl>(arguments);
    m_window->crate()->stopRefresh();
    return *m_window;
}

HvTable *WindowTest::table(NorvControl &window)
{
    return window.findChild<HvTable *>(QStringLiteral("table"));
}

QString WindowTest::cellText(NorvControl &window, int row, int column)
{
    QTableWidgetItem *item = table(window)->item(row, column);
    return item ? item->text() : QString();
}

QString WindowTest::label(NorvControl &window, const char *name)
{
    return window.findChild<QLabel *>(QString::fromLatin1(name))->text();
}

void WindowTest::trigger(NorvControl &window, const QString &action)
{
    window.findChild<QAction *>(action)->trigger();
}

void WindowTest::refreshPass(NorvControl &window)
{
    for (int tick = 0; tick <= qMax(1, table(window)->rowCount()); ++tick)
        window.crate()->refreshTimerUpdate();
}

void WindowTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::useSettingsIn(m_dir.path());
    qputenv("NORV_SIM_TIMESCALE", "0");
    QApplication::setQuitOnLastWindowClosed(false);
}

void WindowTest::init()
{
    // Formatted values use the locale's digits; the C locale has no group separators.
    QLocale::setDefault(QLocale::c());
    TestCrate::clearSettings();
    QVERIFY(TestCrate::resetDefault());
    m_prompt = std::make_unique<PromptRecorder>();
}

void WindowTest::cleanup()
{
    norvsim_trace(nullptr);
    ModalRuns::setModalRunner({});
    m_window.reset();
    m_prompt.reset();
}
