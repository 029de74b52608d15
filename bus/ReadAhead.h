#pragma once

#include <QVector>
#include <QtGlobal>

/// Read cycles made ahead of time, in one transfer, for the code about to run
/// in this thread. While a read-ahead is active, `take()` hands the reads out
/// in the order they were made, to whoever asks for exactly the next address;
/// the first read asked for anything else ends the read-ahead and goes to the
/// bus like any other. So the code that consumes it gets, register by
/// register, what the bus held at the moment of the transfer, or real cycles.
/// Every address asked for is recorded, so the next read-ahead can be made
/// for the same sequence.
class ReadAhead
{
public:
    /// Makes `addresses`' reads (words and statuses as read16() gives them)
    /// the read-ahead of this thread for its lifetime and records what is asked.
    ReadAhead(const QVector<quint32> &addresses, const QVector<quint16> &words,
              const QVector<int> &errors);
    /// Only records what is asked.
    ReadAhead();
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    /// Every address asked for in this thread since construction, in order.
    const QVector<quint32> &asked() const { return m_asked; }
    /// How many reads were handed out from the transfer.
    int taken() const { return m_next; }

    /// The next read ahead when it is for `address` (word and status), or
    /// false: the caller reads from the bus. No read-ahead: false.
    static bool take(quint32 address, quint16 *word, int *error);

private:
    QVector<quint32> m_addresses;
    QVector<quint16> m_words;
    QVector<int> m_errors;
    QVector<quint32> m_asked;
    int m_next = 0;
    bool m_valid = false;
    ReadAhead *m_outer = nullptr;
};
