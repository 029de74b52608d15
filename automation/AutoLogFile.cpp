#include "AutoLogFile.h"

#include <QCoreApplication>

AutoLogFile::AutoLogFile(const QString &path)
    : m_file(path)
{
}

QString AutoLogFile::failed(const QString &message)
{
    if (m_reported)
        return QString();
    m_reported = true;
    return message;
}

QString AutoLogFile::open()
{
    if (m_file.isOpen())
        return QString();
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return QString();
    return failed(QCoreApplication::translate("AutoLogFile", "Can not open file '%1' for writing!")
                      .arg(m_file.fileName()));
}

QString AutoLogFile::append(const QString &line)
{
    const QString notOpen = open();
    if (!m_file.isOpen())
        return notOpen;
    const QByteArray bytes = line.toLatin1();
    if (m_file.write(bytes) == bytes.size()) {
        m_reported = false;
        return QString();
    }
    return failed(QCoreApplication::translate("AutoLogFile",
                                              "Can not write to file '%1' (%2): lines are missing "
                                              "from the auto log.")
                      .arg(m_file.fileName(), m_file.errorString()));
}
