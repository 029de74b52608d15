#pragma once

#include <QByteArray>
#include <QObject>
#include <QVariant>
#include <QVariantList>

/// Calls a slot by its name with arguments converted to its parameter types, the
/// way the script engine reaches module operations. Tests use it to drive
/// operations from data tables.
class SlotInvoker
{
public:
    /// Invokes the slot `name` taking args.size() parameters (direct call).
    /// Returns its result (invalid for a void slot); sets *ok to false when no
    /// such slot exists, an argument does not convert, or the call fails.
    static QVariant call(QObject *object, const QByteArray &name,
                         const QVariantList &args = QVariantList(), bool *ok = nullptr);
};
