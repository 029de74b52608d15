#pragma once

#include <QPointer>
#include <QString>

class BaseModule;
class CrateCore;

/// A long operation on one module (a profile write, a factory reset, a
/// firmware transfer, a script). While it lives the refresh is paused, the
/// module it works on is pinned and the crate core refuses a second sequence
/// and a change of module. Obtained from `CrateCore::beginSequence()`; the
/// sequence ends when this object is destroyed.
class Sequence
{
public:
    ~Sequence();
    Sequence(const Sequence &) = delete;
    Sequence &operator=(const Sequence &) = delete;

    /// The pinned module; null once it went away (the module list was
    /// rebuilt or the program closes), which the operation takes as an abort.
    BaseModule *module() const { return m_module.data(); }
    /// True once the module went away.
    bool aborted() const { return m_module.isNull(); }
    /// Lets the refresh run while the sequence lives, for an operation that
    /// the module paces through the refresh's reports (the firmware transfer).
    void letRefreshRun();
    /// What the operator would call it ("the profile write"), for refusals
    /// given to others who want the module meanwhile.
    QString name() const { return m_name; }

private:
    friend class CrateCore;
    Sequence(CrateCore *core, BaseModule *module, const QString &name);

    QPointer<CrateCore> m_core;
    QPointer<BaseModule> m_module;
    bool m_refreshing = false;
    QString m_name;
};
