#pragma once

#include <QObject>
#include <QString>

#include <functional>

class BaseModule;
class CorePrompt;
class Sequence;

/// Resets a module to its factory configuration: every channel to its
/// hardware nominal values with set values and interlock limits cleared
/// (each nominal and control word verified), the module words to their
/// defaults, then stop mode and the request to store the set values in the
/// EEPROM. A failed check gives up with a message and leaves the remaining
/// channels untouched. The nominal values of each channel are reported as the
/// refresh cycle reports them, so the open dialogs follow.
class FactoryReset : public QObject
{
    Q_OBJECT

public:
    /// Lets the event loop run for the given milliseconds.
    using Wait = std::function<void(int ms)>;

    /// Resets the sequence's module; false when a check gave up or the module went away.
    bool run(Sequence &sequence, const Wait &wait, CorePrompt &prompt);

signals:
    void updateChannelVoltageNominal(int serialNumber, int channel, float vnominal,
                                     const QString &unit);
    void updateChannelCurrentNominal(int serialNumber, int channel, float inominal,
                                     const QString &unit);

private:
    enum class Step { Done, GaveUp, Aborted };

    Step resetChannels(Sequence &sequence, const Wait &wait, CorePrompt &prompt);
    Step enterStopMode(Sequence &sequence, const Wait &wait, CorePrompt &prompt);
    /// Reads until `matches` holds, at most 200 reads with 1 ms before every read but the first.
    Step readBack(Sequence &sequence, const Wait &wait, const char *what, int channel,
                  const std::function<bool(BaseModule *)> &matches);
};
