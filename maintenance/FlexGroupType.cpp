#include "FlexGroupType.h"

namespace FlexGroupType {

namespace {

    constexpr int Layout29 = 29;

    quint32 field(quint32 word, int shift, quint32 mask) { return (word >> shift) & mask; }

    void put(quint32 &word, int shift, quint32 mask, quint32 value)
    {
        word = (word & ~(mask << shift)) | ((value & mask) << shift);
    }

} // namespace

bool Fields::operator==(const Fields &o) const
{
    return kind == o.kind && copyCode == o.copyCode && permanent == o.permanent
        && masterChannel == o.masterChannel && statusBit == o.statusBit && mod0 == o.mod0
        && action == o.action && timeoutMs == o.timeoutMs;
}

const QList<int> &copyCodes()
{
    static const QList<int> codes {1, 2, 4, 5, 6, 7, 10, 11, 15};
    return codes;
}

const QList<int> &statusBits()
{
    static const QList<int> bits {3, 4, 6, 7, 10, 11, 12, 13, 14, 15};
    return bits;
}

int maxMasterChannel(int deviceClass) { return deviceClass == Layout29 ? 31 : 15; }

int maxTimeoutMs(int deviceClass) { return deviceClass == Layout29 ? 65535 : 4095; }

Fields decode(quint32 type, int deviceClass)
{
    const bool dc29 = deviceClass == Layout29;
    Fields f;
    f.kind = Kind(field(type, 14, 3));
    const int code = int(field(type, 4, 0xF));
    switch (f.kind) {
    case SetGroup:
        f.permanent = field(type, 8, 1);
        f.masterChannel = int(dc29 ? field(type, 16, 0x1F) : field(type, 0, 0xF));
        f.copyCode = copyCodes().contains(code) ? code : copyCodes().first();
        break;
    case StatusGroup:
        f.statusBit = statusBits().contains(code) ? code : statusBits().first();
        break;
    case MonitoringGroup:
        f.mod0 = field(type, 8, 1);
        f.statusBit = statusBits().contains(code) ? code : statusBits().first();
        f.action = int(field(type, 12, 3));
        break;
    case TimeoutGroup:
        f.timeoutMs = int(dc29 ? field(type, 16, 0xFFFF) : field(type, 0, 0xFFF));
        f.action = int(field(type, 12, 3));
        break;
    }
    return f;
}

quint32 encode(quint32 previous, const Fields &f, int deviceClass)
{
    const bool dc29 = deviceClass == Layout29;
    // In the low layout a timeout's bits 11-0 lie under the set group's
    // master, code and permanent bit; in layout 29 its bits 31-16 lie under
    // the master channel. A group that changes its kind must not inherit them.
    quint32 type = Kind(field(previous, 14, 3)) == f.kind ? previous : 0;
    put(type, 14, 3, quint32(f.kind));
    switch (f.kind) {
    case SetGroup:
        if (dc29)
            put(type, 16, 0x1F, quint32(f.masterChannel));
        else
            put(type, 0, 0xF, quint32(f.masterChannel));
        put(type, 8, 1, f.permanent);
        put(type, 4, 0xF, quint32(f.copyCode));
        break;
    case StatusGroup:
        put(type, 4, 0xF, quint32(f.statusBit));
        break;
    case MonitoringGroup:
        put(type, 4, 0xF, quint32(f.statusBit));
        put(type, 8, 1, f.mod0);
        put(type, 12, 3, quint32(f.action));
        break;
    case TimeoutGroup:
        if (dc29)
            put(type, 16, 0xFFFF, quint32(f.timeoutMs));
        else
            put(type, 0, 0xFFF, quint32(f.timeoutMs));
        put(type, 12, 3, quint32(f.action));
        break;
    }
    return type;
}

quint32 members(quint32 boxes, int channelCount)
{
    if (channelCount >= 32)
        return boxes;
    if (channelCount <= 0)
        return 0;
    return boxes & ((quint32(1) << channelCount) - 1);
}

bool sharesHardwareNominals(int group, int deviceClass, int channelCount)
{
    return deviceClass == Layout29 && group >= 0 && group < channelCount;
}

} // namespace FlexGroupType
