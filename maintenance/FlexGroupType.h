#pragma once

#include <QList>
#include <QtGlobal>

/// The type word of a variable group, decoded into the fields the group
/// dialog shows and encoded back from them. Device class 29 keeps the master
/// channel in bits 20-16 and the timeout in bits 31-16; every other class
/// keeps them in bits 3-0 and 11-0.
namespace FlexGroupType {

/// Bits 15-14 of the type word.
enum Kind { SetGroup = 0, StatusGroup = 1, MonitoringGroup = 2, TimeoutGroup = 3 };

/// What a type word says. Only the fields of its kind mean anything.
struct Fields
{
    Kind kind = SetGroup;
    int copyCode = 1; ///< set group: which set value is copied (bits 7-4)
    bool permanent = false; ///< set group: bit 8
    int masterChannel = 0; ///< set group
    int statusBit = 3; ///< status and monitoring groups: channel status bit (bits 7-4)
    bool mod0 = false; ///< monitoring group: bit 8
    int action = 0; ///< monitoring and timeout groups: bits 13-12
    int timeoutMs = 0; ///< timeout group

    bool operator==(const Fields &other) const;
};

/// The copy codes a set group can carry, in the order the dialog lists them.
const QList<int> &copyCodes();
/// The channel status bits a status or monitoring group can watch, in order.
const QList<int> &statusBits();

/// The highest master channel and timeout the type word of the class holds.
int maxMasterChannel(int deviceClass);
int maxTimeoutMs(int deviceClass);

/// The fields of `type`. A copy code or status bit outside the lists above
/// reads as the first of its list, as the dialog shows it.
Fields decode(quint32 type, int deviceClass);

/// `previous` with the fields of `fields.kind` replaced. Every other bit of
/// `previous` is kept while the kind stays the same; a new kind starts from 0,
/// so no field of the previous kind survives under the new one's bits.
quint32 encode(quint32 previous, const Fields &fields, int deviceClass);

/// `boxes` without the channels a module with `channelCount` channels does not have.
quint32 members(quint32 boxes, int channelCount);

/// True when, on this module, group `group` lies on the registers of
/// channel `group`'s hardware nominal values (device class 29 places both
/// at 0x700 + 8 x n): a write there cannot hold a group.
bool sharesHardwareNominals(int group, int deviceClass, int channelCount);

} // namespace FlexGroupType
