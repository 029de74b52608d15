#include "MeasurementFile.h"

const char *const MeasurementFile::Header =
    "Date;Time;Serial no.;Channel no.;Vmeasure;Imeasure;Temperature";
const char *const MeasurementFile::TimeFormat = "yyyy-MM-dd;HH:mm:ss.zzz";

QString MeasurementFile::formatValue(float value)
{
    // QString::number never uses the locale: "." and no grouping.
    return QString::number(double(value), 'g', 6);
}

QString MeasurementFile::formatLine(const QDateTime &when, int serialNumber, int channel,
                                    float vmeas, float imeas, float temperature)
{
    return QStringLiteral("%1;%2;%3;%4;%5;%6")
        .arg(when.toString(QLatin1String(TimeFormat)))
        .arg(serialNumber)
        .arg(channel)
        .arg(formatValue(vmeas), formatValue(imeas))
        .arg(double(temperature), 0, 'f', 1);
}

MeasurementFile::~MeasurementFile() { close(); }

bool MeasurementFile::open(const QString &path)
{
    close();
    m_path = path;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return writeRaw(QByteArray(Header) + '\n');
}

bool MeasurementFile::writeLine(const QString &line)
{
    return writeRaw(line.toLatin1() + '\n');
}

bool MeasurementFile::writeRaw(const QByteArray &bytes)
{
    if (!m_file.isOpen())
        return false;
    // A short write or a failed flush both mean the line is not on disk.
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        close();
        return false;
    }
    return true;
}

void MeasurementFile::close()
{
    if (m_file.isOpen())
        m_file.close();
}
