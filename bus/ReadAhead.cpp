#include "ReadAhead.h"

namespace {

thread_local ReadAhead *t_current = nullptr;

} // namespace

ReadAhead::ReadAhead(const QVector<quint32> &addresses, const QVector<quint16> &words,
                     const QVector<int> &errors)
    : m_addresses(addresses)
    , m_words(words)
    , m_errors(errors)
    , m_valid(words.size() == addresses.size() && errors.size() == addresses.size())
    , m_outer(t_current)
{
    t_current = this;
}

ReadAhead::ReadAhead()
    : m_outer(t_current)
{
    t_current = this;
}

ReadAhead::~ReadAhead() { t_current = m_outer; }

bool ReadAhead::take(quint32 address, quint16 *word, int *error)
{
    ReadAhead *ahead = t_current;
    if (!ahead)
        return false;
    ahead->m_asked.append(address);
    if (!ahead->m_valid || ahead->m_next >= ahead->m_addresses.size()
        || ahead->m_addresses.at(ahead->m_next) != address) {
        // Out of step: nothing more comes from the transfer.
        ahead->m_valid = false;
        return false;
    }
    *word = ahead->m_words.at(ahead->m_next);
    if (error)
        *error = ahead->m_errors.at(ahead->m_next);
    ++ahead->m_next;
    return true;
}
