#pragma once

#include <QString>

/// The known device classes and their type code texts ("DC20", "DC29", ...).
/// Only classes 20 and 29 have a register layout; the others are known by name.
class DeviceClassTable
{
public:
    /// The type code of a class, or an empty text for a class not in the table.
    static QString typeCode(int deviceClass);
    /// The class of a type code (exact, case-sensitive; "DC21A" is class 21),
    /// or -1 for a text not in the table.
    static int deviceClass(const QString &typeCode);
};
