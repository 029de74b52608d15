#pragma once

#include <QList>
#include <QtGlobal>

class QCheckBox;

/// A row of check boxes that stand for bits of one register word, each box
/// for one bit. Boxes that stand for no bit (reserved ones) are simply not in
/// the group, so nothing here ever touches them.
class BitBoxGroup
{
public:
    /// Adds `box` as the display of bit `bit` (0 = least significant).
    void add(QCheckBox *box, int bit);

    /// Ticks each box exactly when its bit is 1 in `word`. Signals are blocked
    /// while doing so: a value that came from the device is not an edit.
    void show(quint32 word) const;
    /// The word the ticked boxes make, with 0 for every bit without a box.
    quint32 word() const;
    /// The bits the group has boxes for.
    quint32 mask() const;
    /// `base` with the group's bits replaced by the states of its boxes.
    quint32 composeOnto(quint32 base) const;

private:
    struct Entry
    {
        QCheckBox *box;
        int bit;
    };
    QList<Entry> m_entries;
};
