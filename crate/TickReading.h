#pragma once

#include <QMetaType>
#include <QString>
#include <QVector>

#include <optional>

/// What one refresh tick read from the bus, in the order it read it. The
/// reading half of a tick fills it without touching a widget or emitting a
/// signal; the showing half turns it into the update signals.

/// The connection check of one module slot.
struct ConnectionReading
{
    int serialNumber = 0;
    bool connected = false;
};

/// A module shown for the first time since it answered.
struct ModuleDetails
{
    QString typeCode;
    int serialNumber = 0;
    QString firmwareRelease;
    quint32 decoderRelease = 0;
    QString address;
    int channels = 0;
};

/// Value and unit of one channel's hardware nominals (stop mode only).
struct HardwareNominal
{
    float voltage = 0;
    QString voltageUnit;
    float current = 0;
    QString currentUnit;
};

/// One channel of a module, as the all-modules pass reads it.
struct ChannelMeasurement
{
    QString voltageUnit;
    QString currentUnit;
    float voltageMeasure = 0;
    float currentMeasure = 0;
    float voltageSet = 0;
    quint32 status = 0;
};

/// One module of the all-modules pass.
struct ModuleMeasurements
{
    int serialNumber = 0;
    /// A bus read failed: the values are no measurements.
    bool readFailed = false;
    float temperature = 0;
    QVector<ChannelMeasurement> channels;
};

/// The module-wide words, read once per pass over the rows.
struct ModuleStepReading
{
    QString controllerStatus;
    bool liveInsertion = false;
    /// The display units, which head the table's columns.
    QString voltageUnit;
    QString currentUnit;
    float supplyP5 = 0;
    float supplyP12 = 0;
    float supplyN12 = 0;
    float temperature = 0;
    float voltageLimit = 0;
    float currentLimit = 0;
    float voltageRampSpeed = 0;
    /// Unset for device classes without a module-wide current ramp.
    std::optional<float> currentRampSpeed;
    quint32 eventStatus = 0;
    quint32 eventMask = 0;
    quint32 restartTime = 0;
    quint32 eventChannelStatus = 0;
    quint32 eventChannelMask = 0;
    quint32 eventGroupStatus = 0;
    quint32 eventGroupMask = 0;
    /// Special mode: the loader's command and status words; nothing follows.
    bool specialMode = false;
    quint32 specialCommand = 0;
    quint32 specialStatus = 0;
    /// Stop mode: every row's hardware nominals.
    QVector<HardwareNominal> hardwareNominals;
    quint32 interlockStatus = 0;
    quint32 interlockControl = 0;
    quint32 interlockCount = 0;
    quint32 interlockLastTrigger = 0;
    quint32 interlockChannelActualActive = 0;
    quint32 interlockChannelEverTriggered = 0;
    /// Every module, when the overview or a once-run wants them.
    std::optional<QVector<ModuleMeasurements>> allModules;
};

/// Interlock bounds of the selected channel.
struct ChannelBounds
{
    float voltageMax = 0;
    float voltageMin = 0;
    float currentMax = 0;
    float currentMin = 0;
};

/// One channel row, with the texts the table shows for it.
struct ChannelReading
{
    int channel = 0;
    int deviceClass = 0;
    QString voltageUnit;
    QString currentUnit;
    float voltageNominal = 0;
    float currentNominal = 0;
    float voltageSet = 0;
    float currentSet = 0;
    float voltageMeasure = 0;
    float currentMeasure = 0;
    QString voltageNominalText;
    QString currentNominalText;
    QString voltageSetText;
    QString currentSetText;
    QString voltageMeasureText;
    QString currentMeasureText;
    quint32 control = 0;
    quint32 status = 0;
    quint32 eventStatus = 0;
    quint32 eventMask = 0;
    /// Read only for the selected row.
    std::optional<ChannelBounds> bounds;
};

/// Everything one tick read.
struct TickReading
{
    QVector<ConnectionReading> connections;
    /// Slot of the current module, -1 when the tick ended after the connection check.
    int current = -1;
    /// Connection state of the current module after the check.
    int state = 0;
    QString typeCode;
    /// The controller's status line, read when the current module does not answer.
    QString controllerStatus;
    std::optional<ModuleDetails> details;
    quint32 control = 0;
    quint32 status = 0;
    std::optional<ModuleStepReading> moduleStep;
    std::optional<ChannelReading> channel;
    /// A bus read of the current module failed during this tick: what was
    /// read is not to be shown or reported as values.
    bool readFailed = false;
    /// Where the row cursor stands after this tick.
    int rowCursor = 0;
    /// The reading was stopped early and is not to be shown.
    bool cancelled = false;
};

Q_DECLARE_METATYPE(TickReading)
