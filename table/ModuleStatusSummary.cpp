#include "ModuleStatusSummary.h"

#include <WordBits.h>

#include <QCoreApplication>
#include <QStringList>

namespace {

QString tr(const char *source)
{
    return QCoreApplication::translate("ModuleStatusSummary", source);
}

} // namespace

const QVector<ModuleStatusSummary::Problem> &ModuleStatusSummary::problems()
{
    // First the states in which the module has taken the high voltage away
    // (trip, emergency off, external inhibit), then those in which it holds
    // the output at a limit or outside its bounds, last a rejected set value.
    static const QVector<Problem> list {
        {0x2000, QT_TRANSLATE_NOOP("ModuleStatusSummary", "TRIP"),
         QT_TRANSLATE_NOOP("ModuleStatusSummary", "Trip")},
        {0x0020, QT_TRANSLATE_NOOP("ModuleStatusSummary", "EMCY"),
         QT_TRANSLATE_NOOP("ModuleStatusSummary", "Emergency")},
        {0x1000, QT_TRANSLATE_NOOP("ModuleStatusSummary", "EINH"),
         QT_TRANSLATE_NOOP("ModuleStatusSummary", "Inhibit")},
        {0x4000, QT_TRANSLATE_NOOP("ModuleStatusSummary", "CLIM"),
         QT_TRANSLATE_NOOP("ModuleStatusSummary", "Current Limit")},
        {0x8000, QT_TRANSLATE_NOOP("ModuleStatusSummary", "VLIM"),
         QT_TRANSLATE_NOOP("ModuleStatusSummary", "Voltage Limit")},
        {0x0C00, QT_TRANSLATE_NOOP("ModuleStatusSummary", "BNDS"),
         QT_TRANSLATE_NOOP("ModuleStatusSummary", "Bounds")},
        {0x0004, QT_TRANSLATE_NOOP("ModuleStatusSummary", "IERR"),
         QT_TRANSLATE_NOOP("ModuleStatusSummary", "Input Error")},
    };
    return list;
}

bool ModuleStatusSummary::setChannelStatus(int channel, quint32 status)
{
    if (channel < 0 || channel >= MaxChannels)
        return false;
    if (isReported(channel) && m_status[channel] == status)
        return false;
    m_status[channel] = status;
    m_reported |= 1u << channel;
    return true;
}

int ModuleStatusSummary::worstProblem(quint32 status)
{
    const QVector<Problem> &list = problems();
    for (int i = 0; i < list.size(); ++i) {
        if (status & list.at(i).mask)
            return i;
    }
    return -1;
}

QString ModuleStatusSummary::problemNames(quint32 status)
{
    QStringList names;
    for (const Problem &problem : problems()) {
        if (status & problem.mask)
            names.append(tr(problem.name));
    }
    return names.join(QStringLiteral(", "));
}

bool ModuleStatusSummary::isTroubled() const
{
    for (int channel = 0; channel < MaxChannels; ++channel) {
        if (isReported(channel) && worstProblem(m_status.at(channel)) >= 0)
            return true;
    }
    return false;
}

QString ModuleStatusSummary::text() const
{
    if (!hasStatus())
        return QString();

    int worst = -1;
    int worstChannel = -1;
    bool ramping = false;
    for (int channel = 0; channel < MaxChannels; ++channel) {
        if (!isReported(channel))
            continue;
        const quint32 status = m_status.at(channel);
        ramping = ramping || (status & WordBits::ChannelStatus::IsRamping);
        const int problem = worstProblem(status);
        // Strictly worse only: of equally bad channels the first is named.
        if (problem >= 0 && (worst < 0 || problem < worst)) {
            worst = problem;
            worstChannel = channel;
        }
    }
    if (worst >= 0)
        return tr("Ch %1 %2").arg(worstChannel).arg(tr(problems().at(worst).mnemonic));
    return ramping ? tr("Ramp") : tr("OK");
}

QColor ModuleStatusSummary::foreground() const
{
    return isTroubled() ? QColor(Qt::white) : QColor(Qt::green);
}

QColor ModuleStatusSummary::background() const { return isTroubled() ? QColor(Qt::red) : QColor(); }

QString ModuleStatusSummary::toolTip() const
{
    QStringList lines;
    for (int channel = 0; channel < MaxChannels; ++channel) {
        if (!isReported(channel))
            continue;
        const quint32 status = m_status.at(channel);
        const QString word
            = QString::number(status & 0xFFFF, 16).rightJustified(4, QLatin1Char('0'));
        QString line = tr("Channel %1\t%2").arg(channel).arg(word.toUpper());
        const QString names = problemNames(status);
        if (!names.isEmpty())
            line += QLatin1Char('\t') + names;
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}
