#include "DeviceClassTable.h"

namespace {

struct Entry
{
    int deviceClass;
    const char *typeCode;
};

// Forward lookups take the first entry of a class, so "DC21A" must follow
// "DC21": both name class 21, but a module of class 21 is called DC21.
constexpr Entry entries[] = {
    {20, "DC20"}, {21, "DC21"}, {21, "DC21A"}, {22, "DC22"}, {23, "DC23"}, {24, "DC24"},
    {25, "DC25"}, {26, "DC26"}, {27, "DC27"},  {28, "DC28"}, {29, "DC29"}, {30, "DC30"},
    {31, "DC31"}, {32, "DC32"}, {35, "DC35"},  {36, "DC36"}, {37, "DC37"}, {38, "DC38"},
    {39, "DC39"}, {40, "DC40"}, {41, "DC41"},  {60, "DC60"}, {70, "DC70"}, {90, "DC90"},
};

} // namespace

QString DeviceClassTable::typeCode(int deviceClass)
{
    for (const Entry &e : entries) {
        if (e.deviceClass == deviceClass)
            return QString::fromLatin1(e.typeCode);
    }
    return QString();
}

int DeviceClassTable::deviceClass(const QString &typeCode)
{
    for (const Entry &e : entries) {
        if (typeCode == QLatin1String(e.typeCode))
            return e.deviceClass;
    }
    return -1;
}
