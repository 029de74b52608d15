#pragma once

#include <QString>
#include <QStringList>

/// Any kind of crate access. Plain polymorphic class: the main window owns
/// exactly one controller and every module holds a non-owning pointer to it.
class BaseController
{
public:
    virtual ~BaseController();

    /// Free-form option text; not used with VME crates.
    virtual void setOption(const QString &option);
    /// Network address of the crate; VME bridges have none and answer false.
    virtual bool setIpAddress(const QString &address);
    virtual void setLiveInsertion(bool enable);
    virtual bool liveInsertion();
    virtual QString extraInfo();
    /// Last error text: empty after a successful start.
    virtual QString errorString() = 0;
    virtual QString name();
    /// One line for the main window's status label.
    virtual QString statusText() = 0;
    virtual QStringList deviceList() = 0;
    virtual bool isConnected();
};
