#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

/// The measurement file: semicolon-separated text, one header line per run
/// and one line per current measurement. Opened in append mode, so a file
/// used for several runs keeps every run; each line is flushed as it is
/// written and every write is checked, because the file may be the only
/// record of a test that runs for weeks.
class MeasurementFile
{
public:
    static const char *const Header;
    static const char *const TimeFormat;

    /// One data line without its line feed: date;time;serial;channel;V;I;T.
    static QString formatLine(const QDateTime &when, int serialNumber, int channel, float vmeas,
                              float imeas, float temperature);
    /// A float as the file writes it: general notation, 6 significant
    /// digits, "." whatever the locale, no group separators.
    static QString formatValue(float value);

    ~MeasurementFile();

    /// Opens `path` for appending and writes the header; false when the file
    /// cannot be opened or the header not written (the file is closed then).
    bool open(const QString &path);
    /// Writes one data line and flushes it; false (and closed) on a failed write.
    bool writeLine(const QString &line);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    /// The name of the file last opened, as given.
    QString path() const { return m_path; }

private:
    bool writeRaw(const QByteArray &bytes);

    QFile m_file;
    QString m_path;
};
