#pragma once

#include "AutoLogFile.h"

#include <QList>
#include <QObject>
#include <QPointer>

class BaseModule;

/// The automatic set-voltage stepping over module objects: one step sets a
/// new demand on the modules of the scope, one check per step reports the
/// channels that did not take it and, for a single module, appends its set
/// and measured voltages to the auto log. The check looks at the row and
/// modules of its step, whatever is selected by the time it runs.
class AutoStepper : public QObject
{
    Q_OBJECT

public:
    /// The operator's settings of one step.
    struct Settings
    {
        double upper = 500;
        double lower = 300;
        double increment = 1;
        int scope = 1;
    };

    explicit AutoStepper(const QString &autoLogPath, QObject *parent = nullptr);

    /// One step from the Vset of `row` of `current`; `modules` is the module
    /// list in order. False, with a log line, when nothing was set.
    bool step(const Settings &settings, const QList<BaseModule *> &modules, BaseModule *current,
              int row);
    /// Checks the modules of the last step; the number of channels whose
    /// set voltage is not the demand.
    int check();

    /// The last demand set by a step.
    float demand() const { return m_demand; }
    /// The direction of the next step.
    bool directionUp() const { return m_up; }

signals:
    /// One line for the automatic dialog's log.
    void log(const QString &message);

private:
    int channelCheck(BaseModule *module, int channel);
    int moduleCheck(BaseModule *module);
    QString refusal(const Settings &settings, BaseModule *current, int row, float *vset);

    AutoLogFile m_autoLog;
    float m_demand = 0;
    bool m_up = true;
    // What the last step set, for its check.
    int m_scope = -1;
    int m_row = -1;
    QList<QPointer<BaseModule>> m_targets;
};
