#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

/// A firmware file checked as a whole before anything reaches a module: a
/// transfer that finds a bad record halfway leaves a module whose program was
/// already erased, so every line is checked first. Blank lines are skipped;
/// every other line must be one Motorola S-record with a correct count field
/// and checksum.
class SRecordFile
{
public:
    /// One record as sent: the line with white space trimmed from both ends.
    struct Record
    {
        QByteArray text;
        /// File position in bytes after the record's line, for the progress bar.
        qint64 endPosition = 0;
    };

    /// Reads and checks `fileName`. On failure `error()` names the file, the
    /// line and what is wrong, and no record is kept.
    static SRecordFile read(const QString &fileName);
    /// What is wrong with one trimmed, non-blank line; empty for a good record.
    static QString fault(const QByteArray &line);

    /// The value of a hexadecimal digit, -1 for any other character.
    static int hexValue(char c);

    bool ok() const { return m_error.isEmpty(); }
    /// True when the file could not be opened at all.
    bool unreadable() const { return m_unreadable; }
    QString error() const { return m_error; }
    const QVector<Record> &records() const { return m_records; }
    /// File size in bytes.
    qint64 size() const { return m_size; }

private:
    QVector<Record> m_records;
    qint64 m_size = 0;
    QString m_error;
    bool m_unreadable = false;
};
