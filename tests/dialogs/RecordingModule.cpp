#include "RecordingModule.h"

namespace {
QString flag(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }
} // namespace

RecordingModule::RecordingModule()
    : VmeModule(nullptr, 0x4000)
{
}

int RecordingModule::GetModuleChannelNumber() { return int(currentNominals.size()); }

float RecordingModule::GetChannelCurrentNominal(int channel)
{
    return currentNominals.value(channel);
}

float RecordingModule::GetChannelCurrentSet(int channel) { return currentSets.value(channel); }

void RecordingModule::SetChannelCurrentSet(int channel, float iset)
{
    calls << QStringLiteral("SetChannelCurrentSet(%1,%2)").arg(channel).arg(iset);
}

void RecordingModule::SetAllChannelsCurrentSet(float iset)
{
    calls << QStringLiteral("SetAllChannelsCurrentSet(%1)").arg(iset);
}

bool RecordingModule::GetChannelDelayedTripEnabled(int) { return delayedTripEnabled; }

bool RecordingModule::GetChannelDelayedTripRampDown(int) { return delayedTripRampDown; }

int RecordingModule::GetChannelDelayedTripTime(int) { return delayedTripTime; }

void RecordingModule::SetChannelDelayedTrip(int channel, bool enabled, bool ramp, int delay)
{
    calls << QStringLiteral("SetChannelDelayedTrip(%1,%2,%3,%4)")
                 .arg(channel)
                 .arg(flag(enabled), flag(ramp))
                 .arg(delay);
}

QString RecordingModule::currentUnit(int) { return unitOfCurrent; }

QString RecordingModule::voltageUnit(int) { return unitOfVoltage; }

bool RecordingModule::useControllerUnits() { return controllerUnits; }

void RecordingModule::setUseControllerUnits(bool use)
{
    calls << QStringLiteral("setUseControllerUnits(%1)").arg(flag(use));
}

void RecordingModule::setVoltageUnit(const QString &unit)
{
    calls << QStringLiteral("setVoltageUnit(%1)").arg(unit);
}

int RecordingModule::voltagePrecision() { return precisionOfVoltage; }

void RecordingModule::setVoltagePrecision(int precision)
{
    calls << QStringLiteral("setVoltagePrecision(%1)").arg(precision);
}

void RecordingModule::setCurrentUnit(const QString &unit)
{
    calls << QStringLiteral("setCurrentUnit(%1)").arg(unit);
}

int RecordingModule::currentPrecision() { return precisionOfCurrent; }

void RecordingModule::setCurrentPrecision(int precision)
{
    calls << QStringLiteral("setCurrentPrecision(%1)").arg(precision);
}
