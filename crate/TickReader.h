#pragma once

#include "TickReading.h"

#include <QVector>

#include <atomic>

class BaseController;
class BaseModule;

/// What a tick needs to know before it reads: the modules in slot order with
/// their connection states, which one is shown and how far its pass over the
/// rows has come, the selected row and whether every module is wanted.
struct TickInput
{
    QVector<BaseModule *> modules;
    QVector<int> states;
    /// Slot of the current module.
    int current = 0;
    /// Rows of the channel table before this tick.
    int rows = 0;
    int rowCursor = 0;
    /// The selected table row, -1 when none.
    int selectedChannel = -1;
    /// The overview is shown or a once-run is pending.
    bool allModulesWanted = false;
};

/// The reading half of a refresh tick: every bus access of one tick, in the
/// order the tick makes them, and nothing else. It emits nothing and touches
/// no widget, so it can run in a thread of its own.
class TickReader
{
public:
    /// Reads one tick. When `cancel` turns true the reading stops early and
    /// comes back marked cancelled (the module list is about to go).
    static TickReading read(const TickInput &input, BaseController *controller,
                            const std::atomic<bool> *cancel = nullptr);

private:
    static ModuleDetails readDetails(BaseModule *module, const QString &typeCode, int serial);
    static ModuleStepReading readModuleStep(const TickInput &input, BaseController *controller,
                                            const TickReading &tick, int rows,
                                            const std::atomic<bool> *cancel);
    static QVector<ModuleMeasurements> readAllModules(const TickInput &input,
                                                      const TickReading &tick,
                                                      const std::atomic<bool> *cancel);
    static ChannelReading readChannel(BaseModule *module, int row, bool selected);
};
