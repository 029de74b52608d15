#pragma once

#include "VmeController.h"

#include <QMutexLocker>

/// Holds a controller's bus lock for the lifetime of one register transaction.
/// A null controller is allowed and locks nothing.
class BusTransaction
{
public:
    explicit BusTransaction(VmeController *controller)
        : m_locker(controller ? &controller->busLock() : nullptr)
    {
    }
    BusTransaction(const BusTransaction &) = delete;
    BusTransaction &operator=(const BusTransaction &) = delete;

private:
    QMutexLocker<QRecursiveMutex> m_locker;
};
