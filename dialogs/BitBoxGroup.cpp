#include "BitBoxGroup.h"

#include "DialogBits.h"

#include <QCheckBox>
#include <QSignalBlocker>

void BitBoxGroup::add(QCheckBox *box, int bit) { m_entries.append({box, bit}); }

void BitBoxGroup::show(quint32 word) const
{
    for (const Entry &entry : m_entries) {
        const QSignalBlocker blocker(entry.box);
        entry.box->setChecked((word >> entry.bit) & 1u);
    }
}

quint32 BitBoxGroup::word() const
{
    quint32 result = 0;
    for (const Entry &entry : m_entries)
        result = DialogBits::withBit(result, entry.bit, entry.box->isChecked());
    return result;
}

quint32 BitBoxGroup::mask() const
{
    quint32 result = 0;
    for (const Entry &entry : m_entries)
        result |= quint32(1) << entry.bit;
    return result;
}

quint32 BitBoxGroup::composeOnto(quint32 base) const
{
    return DialogBits::compose(base, mask(), word());
}
