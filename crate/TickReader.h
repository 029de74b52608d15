#pragma once

#include "TickReading.h"

#include <QByteArray>
#include <QHash>
#include <QVector>

#include <atomic>
#include <functional>
#include <initializer_list>

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
///
/// Where the bridge carries many cycles in one transfer, a tick is two
/// transfers: the connection checks with the current module's words, then the
/// module step and the channel row. Each step's reads are learnt the first
/// time it runs and made ahead in one transfer from then on; the step itself
/// runs unchanged over them (see ReadAhead).
class TickReader
{
public:
    /// Reads one tick. When `cancel` turns true the reading stops early and
    /// comes back marked cancelled (the module list is about to go).
    TickReading read(const TickInput &input, BaseController *controller,
                     const std::atomic<bool> *cancel = nullptr);
    /// Forgets the learnt reads: the module list changed.
    void forgetPlans();

private:
    static QByteArray planKey(std::initializer_list<int> parts);
    void inOneTransfer(const QByteArray &key, BaseController *controller,
                       const std::function<void()> &step);
    static ModuleDetails readDetails(BaseModule *module, const QString &typeCode, int serial);
    static ModuleStepReading readModuleStep(const TickInput &input, BaseController *controller,
                                            const TickReading &tick, int rows,
                                            const std::atomic<bool> *cancel);
    static QVector<ModuleMeasurements> readAllModules(const TickInput &input,
                                                      const TickReading &tick,
                                                      const std::atomic<bool> *cancel);
    static ChannelReading readChannel(BaseModule *module, int row, bool selected);

    QHash<QByteArray, QVector<quint32>> m_plans;
};
