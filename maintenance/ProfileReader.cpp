#include "ProfileReader.h"

#include "ProfileFormat.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSettings>
#include <QTextStream>

namespace ProfileReader {

namespace {

    QString tr(const char *text) { return QCoreApplication::translate("ProfileReader", text); }

    enum class Shown { Hex4, Hex8, Decimal, G, GInAmperes };

    /// Where each "section/key" stands in the file, for the warnings.
    QHash<QString, int> lineNumbers(QFile &file)
    {
        QHash<QString, int> lines;
        QTextStream in(&file);
        QString section;
        for (int number = 1; !in.atEnd(); ++number) {
            const QString line = in.readLine().trimmed();
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
                section = line.mid(1, line.size() - 2);
            else if (const int equals = int(line.indexOf(QLatin1Char('='))); equals > 0)
                lines.insert(section + QLatin1Char('/') + line.left(equals).trimmed(), number);
        }
        return lines;
    }

    /// Reads the keys of one section and writes a log line after each.
    class SectionReader
    {
    public:
        SectionReader(QSettings &settings, const QString &section, const QString &fileName,
                      const QHash<QString, int> &lines, ProfileLoad &load)
            : m_settings(settings)
            , m_fileName(fileName)
            , m_lines(lines)
            , m_load(load)
        {
            m_settings.beginGroup(section);
        }
        ~SectionReader() { m_settings.endGroup(); }

        quint32 word(const char *key, quint32 fallback, const char *line, Shown shown,
                     quint32 kept = 0xFFFFFFFF)
        {
            bool ok = true;
            quint32 value = fallback;
            if (const QString text = this->text(key); !text.isNull())
                value = ProfileFormat::toWord(text, &ok);
            value = (ok ? value : fallback) & kept;
            logLine(line,
                    shown == Shown::Hex4       ? ProfileFormat::logHex(value, 4)
                        : shown == Shown::Hex8 ? ProfileFormat::logHex(value, 8)
                                               : QString::number(value));
            warnUnless(ok, key);
            return value;
        }

        float value(const char *key, float fallback, const char *line, Shown shown)
        {
            bool ok = true;
            float value = fallback;
            if (const QString text = this->text(key); !text.isNull())
                value = ProfileFormat::toValue(text, &ok);
            if (!ok)
                value = fallback;
            const double inLog = shown == Shown::GInAmperes
                ? double(value) * ProfileFormat::AmperesPerMilliampere
                : double(value);
            logLine(line, ProfileFormat::logG(inLog));
            warnUnless(ok, key);
            return value;
        }

    private:
        /// The stored text, null when the key is missing.
        QString text(const char *key)
        {
            const QVariant stored = m_settings.value(QLatin1String(key));
            // A text with a comma is read back as a list; it is no number either.
            if (stored.isValid() && stored.typeId() == QMetaType::QStringList)
                return stored.toStringList().join(QLatin1Char(','));
            return stored.isValid() ? stored.toString() : QString();
        }

        void logLine(const char *line, const QString &value)
        {
            m_load.log.append(QString::fromLatin1(line).arg(m_settings.group(), value));
        }

        void warnUnless(bool ok, const char *key)
        {
            if (ok)
                return;
            const QString where = m_settings.group() + QLatin1Char('/') + QLatin1String(key);
            m_load.warnings.append(
                tr("Warning: %1, line %2: %3 \"%4\" is not a number; the value above "
                   "is used instead.")
                    .arg(m_fileName)
                    .arg(m_lines.value(where))
                    .arg(QString(where).replace(QLatin1Char('/'), QLatin1Char('.')), text(key)));
            m_load.log.append(m_load.warnings.last());
        }

        QSettings &m_settings;
        const QString &m_fileName;
        const QHash<QString, int> &m_lines;
        ProfileLoad &m_load;
    };

    ProfileModuleRecord readModule(SectionReader &&s)
    {
        ProfileModuleRecord m;
        m.control = quint16(s.word("Control", 0, "%1.Control\t\t0x%2", Shown::Hex4, 0xFFFF));
        m.eventMask = s.word("EventMask", 0, "%1.EventMask\t\t0x%2", Shown::Hex4);
        m.eventChannelMask
            = s.word("EventChannelMask", 0, "%1.EventChannelMask\t\t0x%2", Shown::Hex8);
        m.eventGroupMask = s.word("EventGroupMask", 0, "%1.EventGroupMask\t\t0x%2", Shown::Hex8);
        m.restartTime = s.word("RestartTime", 0, "%1.RestartTime (ms)\t\t%2", Shown::Decimal);
        m.adcSamples = s.word("AdcSamples", 500, "%1.AdcSamples (1/s)\t\t%2", Shown::Decimal);
        m.digitalFilter = s.word("DigitalFilter", 64, "%1.DigitalFilter\t\t%2", Shown::Decimal);
        m.voltageRampSpeed
            = s.value("VoltageRampSpeed", 1.0f, "%1.VoltageRampSpeed (%)\t%2", Shown::G);
        m.currentRampSpeed
            = s.value("CurrentRampSpeed", 50.0f, "%1.CurrentRampSpeed (%)\t%2", Shown::G);
        return m;
    }

    ProfileChannelRecord readChannel(SectionReader &&s)
    {
        ProfileChannelRecord c;
        c.control = s.word("Control", 0, "%1.Control\t\t0x%2", Shown::Hex4);
        c.eventMask = s.word("EventMask", 0, "%1.EventMask\t\t0x%2", Shown::Hex4);
        c.voltageSet = s.value("VoltageSet", 0, "%1.VoltageSet (V)\t\t%2", Shown::G);
        c.currentSet = s.value("CurrentSet", 0, "%1.CurrentSet (A)\t\t%2", Shown::GInAmperes);
        c.voltageIlkMinSet
            = s.value("VoltageIlkMinSet", 0, "%1.VoltageIlkMinSet (V)\t%2", Shown::G);
        c.voltageIlkMaxSet
            = s.value("VoltageIlkMaxSet", 0, "%1.VoltageIlkMaxSet (V)\t%2", Shown::G);
        c.currentIlkMinSet
            = s.value("CurrentIlkMinSet", 0, "%1.CurrentIlkMinSet (A)\t%2", Shown::GInAmperes);
        c.currentIlkMaxSet
            = s.value("CurrentIlkMaxSet", 0, "%1.CurrentIlkMaxSet (A)\t%2", Shown::GInAmperes);
        c.voltageMaxSet = s.value("VoltageMaxSet", 0, "%1.VoltageMaxSet (V)\t\t%2", Shown::G);
        c.currentMaxSet
            = s.value("CurrentMaxSet", 0, "%1.CurrentMaxSet (A)\t%2", Shown::GInAmperes);
        return c;
    }

    /// True when the file has a section the profile reads.
    bool holdsProfile(const QSettings &settings)
    {
        const QStringList sections = settings.childGroups();
        return sections.contains(QLatin1String("Module"))
            || !sections.filter(QRegularExpression(QStringLiteral("^Channel\\d+$"))).isEmpty();
    }

} // namespace

ProfileLoad read(const QString &path, int channelCount)
{
    ProfileLoad load;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        load.error = tr("The profile file %1 cannot be read: %2").arg(path, file.errorString());
        return load;
    }
    const QHash<QString, int> lines = lineNumbers(file);
    QSettings settings(path, QSettings::IniFormat);
    // A file without any profile section would write the defaults (zero set
    // values and nominals) into the module.
    if (settings.status() != QSettings::NoError || !holdsProfile(settings)) {
        load.error = tr("The file %1 is no module profile: it has neither a \"Module\" nor a "
                        "\"Channel\" section. Nothing was written.")
                         .arg(path);
        return load;
    }

    load.log.append(tr("Using profile from file ") + settings.fileName() + QLatin1Char('\n'));
    const QString fileName = QFileInfo(path).fileName();
    load.record.module
        = readModule(SectionReader(settings, QStringLiteral("Module"), fileName, lines, load));
    const int channels = qBound(0, channelCount, ProfileRecord::MaxChannels);
    for (int ch = 0; ch < channels; ++ch) {
        load.log.append(QString());
        load.record.channels[size_t(ch)] = readChannel(
            SectionReader(settings, QStringLiteral("Channel%1").arg(ch), fileName, lines, load));
    }
    load.ok = true;
    return load;
}

} // namespace ProfileReader
