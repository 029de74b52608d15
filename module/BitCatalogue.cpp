#include "BitCatalogue.h"

QStringList BitCatalogue::fromText(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char(','), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QStringList BitCatalogue::names(const QStringList &list, quint32 word)
{
    QStringList result;
    // A list never names more than 32 bits; guard the shift all the same.
    const int bits = qMin(int(list.size()), 32);
    for (int n = 0; n < bits; ++n) {
        if (word & (quint32(1) << n))
            result.append(list.at(n));
    }
    return result;
}

QString BitCatalogue::text(const QStringList &list, quint32 word)
{
    return names(list, word).join(QLatin1Char(','));
}
