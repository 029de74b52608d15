#pragma once

// A module for the modal dialogs' runs: the getters those runs use answer from
// public fields, and every setter call is recorded in order as a text such as
// "SetChannelCurrentSet(2,1.5)". Everything else is a VmeModule without a
// controller (reads 0, writes nothing).

#include "VmeModule.h"

#include <QStringList>

class RecordingModule : public VmeModule
{
    Q_OBJECT

public:
    RecordingModule()
        : VmeModule(nullptr, 0x4000)
    {
    }

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
    int GetModuleChannelNumber() override { return int(currentNominals.size()); }
    float GetChannelCurrentNominal(int ch) override { return currentNominals.value(ch); }
    float GetChannelCurrentSet(int ch) override { return currentSets.value(ch); }
    bool GetChannelDelayedTripEnabled(int) override { return delayedTripEnabled; }
    bool GetChannelDelayedTripRampDown(int) override { return delayedTripRampDown; }
    int GetChannelDelayedTripTime(int) override { return delayedTripTime; }
    QString currentUnit(int) override { return unitOfCurrent; }
    QString voltageUnit(int) override { return unitOfVoltage; }
    bool useControllerUnits() override { return controllerUnits; }
    int voltagePrecision() override { return precisionOfVoltage; }
    int currentPrecision() override { return precisionOfCurrent; }

    void SetChannelCurrentSet(int ch, float iset) override { note(__func__, ch, iset); }
    void SetAllChannelsCurrentSet(float iset) override { note(__func__, iset); }
    void SetChannelDelayedTrip(int ch, bool on, bool ramp, int ms) override
    {
        note(__func__, ch, on, ramp, ms);
    }
    void setUseControllerUnits(bool use) override { note(__func__, use); }
    void setVoltageUnit(const QString &unit) override { note(__func__, unit); }
    void setVoltagePrecision(int digits) override { note(__func__, digits); }
    void setCurrentUnit(const QString &unit) override { note(__func__, unit); }
    void setCurrentPrecision(int digits) override { note(__func__, digits); }

private:
    static QString text(bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); }
    static QString text(int i) { return QString::number(i); }
    static QString text(float f) { return QString::number(f); }
    static QString text(const QString &s) { return s; }
    template<class... Args> void note(const char *name, const Args &...args)
    {
        calls << QString::fromLatin1(name) + '(' + QStringList {text(args)...}.join(',') + ')';
    }
};
