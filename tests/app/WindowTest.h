#pragma once

#include "PromptRecorder.h"

#include <NorvControl.h>

#include <QTemporaryDir>

#include <memory>

class HvTable;

/// Base of the main-window test classes: a private settings store, the
/// default simulated crate with simulated time frozen before every test, a
/// PromptRecorder answering for the operator and the window under test. A
/// derived class that needs more in initTestCase() or init() declares its
/// own and calls these first. The window's parts are found by object name.
class WindowTest : public QObject
{
    Q_OBJECT

protected:
    /// The default crate's modules of class 20 (12 channels) and 29 (24 channels).
    static constexpr int Base20 = 0x4000, Base29 = 0x8000;

    /// A new main window over the crate (it replaces the last one), its
    /// refresh stopped so that the test drives every tick.
    NorvControl &start(const QStringList &arguments = {});

    static HvTable *table(NorvControl &window);
    static QString cellText(NorvControl &window, int row, int column);
    static QString label(NorvControl &window, const char *name);
    static void trigger(NorvControl &window, const QString &action);
    /// One full pass over the rows, module step included.
    static void refreshPass(NorvControl &window);

    QTemporaryDir m_dir;
    std::unique_ptr<PromptRecorder> m_prompt;
    std::unique_ptr<NorvControl> m_window;

protected slots:
    void initTestCase();
    void init();
    void cleanup();
};
