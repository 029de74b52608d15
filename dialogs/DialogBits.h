#pragma once

#include <QtGlobal>

/// The word arithmetic behind the detail dialogs, free of widgets so that it
/// can be checked on its own.
namespace DialogBits {

/// Whether a reported word differs from the 16-bit copy a dialog keeps. The
/// whole reported word counts: any of bits 16 to 31 set is always a change.
constexpr bool differs(quint32 reported, quint16 kept) { return reported != quint32(kept); }

/// `base` with the bits of `replaced` taken from `bits`; every other bit of
/// `base` is kept as it is.
constexpr quint32 compose(quint32 base, quint32 replaced, quint32 bits)
{
    return (base & ~replaced) | (bits & replaced);
}

/// `word` with bit `bit` set to `on`.
constexpr quint32 withBit(quint32 word, int bit, bool on)
{
    return on ? word | (quint32(1) << bit) : word & ~(quint32(1) << bit);
}

/// How many channel event-mask boxes (from box 0 up) a module with this many
/// channels enables: blocks of 4, 8, 12, 16, 24 and, for exactly 32 channels,
/// all 32.
int channelMaskBoxCount(int channels);

} // namespace DialogBits
