#pragma once

#include "MeasurementFile.h"
#include "MeasurementSlots.h"

#include <QObject>

class CrateCore;

/// A measurement run without widgets: takes the refresh cycle's
/// measurement and temperature reports, keeps the module slots and writes
/// one line per current measurement while a run is open. A once-run stops
/// itself when the next pass over all modules is complete. The first failed
/// write stops the run; the lines written before it stay in the file.
class MeasurementRun : public QObject
{
    Q_OBJECT

public:
    explicit MeasurementRun(QObject *parent = nullptr);

    /// Opens `path` for appending and writes the header; false (nothing
    /// changed but a file left open before, which is closed) when it cannot.
    bool start(const QString &path);
    /// Marks the run as a once-run and starts it.
    bool startOnce(const QString &path);
    /// Clears the once mark and closes the file.
    void stop();
    /// Closes the file but keeps the once mark.
    void closeFile() { m_file.close(); }

    bool isWriting() const { return m_file.isOpen(); }
    /// True while a once-run waits for the next pass over all modules.
    bool onceRunPending() const { return m_once; }
    int linesWritten() const { return m_linesWritten; }
    /// Takes the measurement, temperature and pass reports of `core`'s refresh.
    void attach(CrateCore &core);
    /// Only measurements of `channel` count; -1 for every channel.
    void setChannelFilter(int channel) { m_channelFilter = channel; }
    const MeasurementSlots &moduleSlots() const { return m_slots; }

public slots:
    void updateChannelVoltageMeasure(int serialNumber, int channel, float vmeas);
    void updateChannelCurrentMeasure(int serialNumber, int channel, float imeas);
    void updateModuleTemperature(int serialNumber, float temperature);
    void updateAllModulesComplete();

signals:
    /// A line was written; `count` lines since the run object was made.
    void lineWritten(int count);
    /// The run stopped by itself (a once-run complete, or a failed write).
    void stopped();
    /// A write to `path` failed and the run stopped.
    void writeFailed(const QString &path, int linesWritten);

private:
    bool filtered(int channel) const { return m_channelFilter >= 0 && channel != m_channelFilter; }

    MeasurementFile m_file;
    MeasurementSlots m_slots;
    int m_linesWritten = 0;
    int m_channelFilter = -1;
    bool m_once = false;
};
