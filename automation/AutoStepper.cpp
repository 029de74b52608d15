#include "AutoStepper.h"

#include "AutoTimer.h"

#include <BaseModule.h>

#include <QDateTime>
#include <QDebug>

namespace {

const char *const DateTimeFormat = "yyyy-MM-dd;HH:mm:ss.zzz";

QString timeOfDay() { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")); }

} // namespace

AutoStepper::AutoStepper(const QString &autoLogPath, QObject *parent)
    : QObject(parent)
    , m_autoLog(autoLogPath)
{
}

QString AutoStepper::refusal(const Settings &settings, BaseModule *current, int row, float *vset)
{
    if (settings.lower >= settings.upper)
        return tr("Lower limit %1 V is not below the upper limit %2 V: no step.")
            .arg(settings.lower)
            .arg(settings.upper);
    if (!current || row < 0 || row >= current->GetModuleChannelNumber())
        return tr("No channel selected: no step.");
    const quint32 failedBefore = current->failedReads();
    *vset = current->GetChannelVoltageSet(row);
    // A silent module reads 0 V: stepping from there would set every channel
    // to one increment.
    if (!current->connected() || current->failedReads() != failedBefore)
        return tr("Module %1 does not answer: no step.").arg(current->GetModuleAddress());
    return QString();
}

bool AutoStepper::step(const Settings &settings, const QList<BaseModule *> &modules,
                       BaseModule *current, int row)
{
    const QString openFailure = m_autoLog.open();
    if (!openFailure.isEmpty())
        emit log(openFailure);

    float vset = 0;
    const QString refused = refusal(settings, current, row, &vset);
    if (!refused.isEmpty()) {
        emit log(QStringLiteral("%1: %2").arg(timeOfDay(), refused));
        return false;
    }

    const AutoTimer::Step next = AutoTimer::nextStep(vset, m_up, float(settings.increment),
                                                     float(settings.upper), float(settings.lower));
    m_up = next.up;
    m_demand = next.demand;
    m_scope = settings.scope;
    m_row = row;
    m_targets.clear();
    if (settings.scope == AutoTimer::SelectedChannel || settings.scope == AutoTimer::SelectedModule)
        m_targets.append(current);
    else
        for (int i = 0; i < AutoTimer::scopeModuleCount(settings.scope, int(modules.size())); ++i)
            m_targets.append(modules.at(i));

    for (const QPointer<BaseModule> &module : std::as_const(m_targets)) {
        if (settings.scope == AutoTimer::SelectedChannel)
            module->SetChannelVoltageSet(row, m_demand);
        else
            module->SetAllChannelsVoltageSet(m_demand);
    }
    qDebug() << QDateTime::currentDateTime().toString(QLatin1String(DateTimeFormat))
             << "autoTimer Vset" << m_demand;
    return true;
}

int AutoStepper::check()
{
    qDebug() << "autoTimerControl Vset" << m_demand;
    int count = 0;
    for (const QPointer<BaseModule> &module : std::as_const(m_targets)) {
        if (!module) // the module list was rebuilt since the step
            continue;
        if (m_scope == AutoTimer::SelectedChannel) {
            count += channelCheck(module, m_row);
        } else if (m_scope == AutoTimer::SelectedModule) {
            count += moduleCheck(module);
        } else {
            for (int channel = 0; channel < module->GetModuleChannelNumber(); ++channel)
                count += channelCheck(module, channel);
        }
    }
    qDebug() << timeOfDay() << "errors:" << count;
    return count;
}

int AutoStepper::channelCheck(BaseModule *module, int channel)
{
    const QString when = timeOfDay();
    const float vset = module->GetChannelVoltageSet(channel);
    if (!AutoTimer::missed(vset, m_demand) || !module->connected())
        return 0;
    emit log(AutoTimer::mismatchMessage(when, module->GetModuleAddress(), channel, vset, m_demand));
    return 1;
}

int AutoStepper::moduleCheck(BaseModule *module)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString when = now.toString(QLatin1String(DateTimeFormat));
    QList<QPair<float, float>> values;
    int count = 0;
    for (int channel = 0; channel < module->GetModuleChannelNumber(); ++channel) {
        const float vset = module->GetChannelVoltageSet(channel);
        values.append({vset, module->GetChannelVoltageMeasure(channel)});
        if (AutoTimer::missed(vset, m_demand) && module->connected()) {
            const QString message = AutoTimer::mismatchMessage(when, module->GetModuleAddress(),
                                                               channel, vset, m_demand);
            emit log(message);
            qDebug().noquote() << message;
            ++count;
        }
    }
    const QString failure = m_autoLog.append(AutoTimer::autoLogLine(now, m_demand, values));
    if (!failure.isEmpty())
        emit log(failure);
    return count;
}
