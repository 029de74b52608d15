#pragma once

#include "TickReading.h"

#include <QVector>

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
/// no widget, so it can run wherever the bus is.
class TickReader
{
public:
    static TickReading read(const TickInput &input, BaseController *controller);

private:
    static ModuleDetails readDetails(BaseModule *module, const QString &typeCode, int serial);
    static ModuleStepReading readModuleStep(const TickInput &input, BaseController *controller,
                                            const TickReading &tick, int rows);
    static QVector<ModuleMeasurements> readAllModules(const TickInput &input,
                                                      const TickReading &tick);
    static ChannelReading readChannel(BaseModule *module, int row, bool selected);
};
