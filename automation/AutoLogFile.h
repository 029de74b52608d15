#pragma once

#include <QFile>
#include <QString>

/// The auto log "autologfile.csv": opened once for appending, so the lines of
/// earlier runs stay and none is overwritten. A failure is reported once,
/// not with every line, until a write succeeds again.
class AutoLogFile
{
public:
    explicit AutoLogFile(const QString &path);

    /// Opens the file on first use; the message to show when that fails for
    /// the first time, otherwise empty.
    QString open();
    /// Appends `line` (Latin-1); the message to show when this is the first
    /// failure since the last good write, otherwise empty.
    QString append(const QString &line);
    QString path() const { return m_file.fileName(); }

private:
    QString failed(const QString &message);

    QFile m_file;
    bool m_reported = false;
};
