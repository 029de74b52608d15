#include "MeasurementRun.h"

#include <CrateCore.h>

#include <QDateTime>

MeasurementRun::MeasurementRun(QObject *parent)
    : QObject(parent)
{
}

bool MeasurementRun::start(const QString &path)
{
    return m_file.open(path);
}

bool MeasurementRun::startOnce(const QString &path)
{
    m_once = true;
    return start(path);
}

void MeasurementRun::stop()
{
    m_once = false;
    m_file.close();
}

void MeasurementRun::updateChannelVoltageMeasure(int serialNumber, int channel, float vmeas)
{
    if (filtered(channel))
        return;
    m_slots.setVoltage(m_slots.slotOf(serialNumber), channel, vmeas);
}

void MeasurementRun::updateModuleTemperature(int serialNumber, float temperature)
{
    m_slots.setTemperature(m_slots.slotOf(serialNumber), temperature);
}

void MeasurementRun::updateChannelCurrentMeasure(int serialNumber, int channel, float imeas)
{
    if (filtered(channel))
        return;
    const int slot = m_slots.slotOf(serialNumber);
    if (slot < 0 || channel < 0 || channel >= MeasurementSlots::MaxChannels || !isWriting())
        return;
    const QString line =
        MeasurementFile::formatLine(QDateTime::currentDateTime(), serialNumber, channel,
                                    m_slots.voltage(slot, channel), imeas, m_slots.temperature(slot));
    if (!m_file.writeLine(line)) {
        stop();
        emit writeFailed(m_file.path(), m_linesWritten);
        emit stopped();
        return;
    }
    emit lineWritten(++m_linesWritten);
}

void MeasurementRun::attach(CrateCore &core)
{
    connect(&core, &CrateCore::updateChannelVoltageMeasure, this,
            &MeasurementRun::updateChannelVoltageMeasure);
    connect(&core, &CrateCore::updateChannelCurrentMeasure, this,
            &MeasurementRun::updateChannelCurrentMeasure);
    connect(&core, &CrateCore::updateModuleTemperature, this,
            &MeasurementRun::updateModuleTemperature);
    connect(&core, &CrateCore::updateAllModulesComplete, this,
            &MeasurementRun::updateAllModulesComplete);
}

void MeasurementRun::updateAllModulesComplete()
{
    if (!m_once)
        return;
    stop();
    emit stopped();
}
