#pragma once

// A module for the modal dialogs' runs: it answers the getters those runs use
// from its public fields and records every setter call, in order, as a text
// such as "SetChannelCurrentSet(2,1.5)". Everything else is a VmeModule
// without a controller (reads 0, writes nothing).

#include "VmeModule.h"

#include <QList>
#include <QStringList>

class RecordingModule : public VmeModule
{
    Q_OBJECT

public:
    RecordingModule();

    QList<float> currentNominals {3.0f, 1.0f};
    QList<float> currentSets {0.5f, 0.25f};
    QString unitOfCurrent = QStringLiteral("mA");
    QString unitOfVoltage = QStringLiteral("V");
    bool delayedTripEnabled = false;
    bool delayedTripRampDown = false;
    int delayedTripTime = 0;
    bool controllerUnits = false;
    int precisionOfVoltage = 1;
    int precisionOfCurrent = 3;

    QStringList calls;

public slots:
    int GetModuleChannelNumber() override;
    float GetChannelCurrentNominal(int channel) override;
    float GetChannelCurrentSet(int channel) override;
    void SetChannelCurrentSet(int channel, float iset) override;
    void SetAllChannelsCurrentSet(float iset) override;
    bool GetChannelDelayedTripEnabled(int channel) override;
    bool GetChannelDelayedTripRampDown(int channel) override;
    int GetChannelDelayedTripTime(int channel) override;
    void SetChannelDelayedTrip(int channel, bool enabled, bool ramp, int delay) override;
    QString currentUnit(int channel) override;
    QString voltageUnit(int channel) override;
    bool useControllerUnits() override;
    void setUseControllerUnits(bool controllerUnits) override;
    void setVoltageUnit(const QString &unit) override;
    int voltagePrecision() override;
    void setVoltagePrecision(int precision) override;
    void setCurrentUnit(const QString &unit) override;
    int currentPrecision() override;
    void setCurrentPrecision(int precision) override;
};
