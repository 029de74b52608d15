#pragma once

#include <QStringList>

/// Turns a register word into the mnemonics of its set bits, given a list
/// whose entry n names bit n. Shared by the module and channel catalogues.
class BitCatalogue
{
public:
    /// Splits a catalogue text at "," keeping empty parts, so entry n names bit n.
    static QStringList fromText(const char *text);
    /// Entries whose bit is set in word, in ascending bit order; bits beyond the
    /// list are ignored.
    static QStringList names(const QStringList &list, quint32 word);
    /// The names joined with ","; empty for a word without set bits.
    static QString text(const QStringList &list, quint32 word);
};
