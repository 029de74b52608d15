#include "ProfileFile.h"

#include "ProfileFormat.h"
#include "ProfileRecord.h"

#include <BaseModule.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>

namespace ProfileFile {

using namespace ProfileFormat;

namespace {

    using Values = QList<QPair<QString, QString>>;

    // Braced lists are evaluated left to right: the getters run in key order.
    ProfileSection moduleSection(BaseModule &m)
    {
        return {QStringLiteral("Module"),
                Values {
                    {QStringLiteral("Control"), hex4(m.GetModuleControl())},
                    {QStringLiteral("EventMask"), hex4(m.GetModuleEventMask())},
                    {QStringLiteral("EventChannelMask"), hex8(m.GetModuleEventChannelMask())},
                    {QStringLiteral("EventGroupMask"), hex8(m.GetModuleEventGroupMask())},
                    {QStringLiteral("RestartTime"), decimal(m.GetModuleRestartTime())},
                    {QStringLiteral("AdcSamples"), decimal(m.GetModuleAdcSamplesPerSecond())},
                    {QStringLiteral("DigitalFilter"), decimal(m.GetModuleDigitalFilter())},
                    {QStringLiteral("VoltageRampSpeed"), fixed3(m.GetModuleVoltageRampSpeed())},
                    {QStringLiteral("CurrentRampSpeed"), fixed3(m.GetModuleCurrentRampSpeed())},
                }};
    }

    ProfileSection channelSection(BaseModule &m, int ch)
    {
        return {QStringLiteral("Channel%1").arg(ch),
                Values {
                    {QStringLiteral("Control"), hex4(m.GetChannelControl(ch))},
                    {QStringLiteral("EventMask"), hex4(m.GetChannelEventMask(ch))},
                    {QStringLiteral("VoltageSet"), fixed3(m.GetChannelVoltageSet(ch))},
                    {QStringLiteral("CurrentSet"), fixed6(m.GetChannelCurrentSet(ch))},
                    {QStringLiteral("VoltageIlkMinSet"), fixed3(m.GetChannelVoltageIlkMinSet(ch))},
                    {QStringLiteral("VoltageIlkMaxSet"), fixed3(m.GetChannelVoltageIlkMaxSet(ch))},
                    {QStringLiteral("CurrentIlkMinSet"), fixed6(m.GetChannelCurrentIlkMinSet(ch))},
                    {QStringLiteral("CurrentIlkMaxSet"), fixed6(m.GetChannelCurrentIlkMaxSet(ch))},
                    {QStringLiteral("VoltageMaxSet"), fixed3(m.GetChannelVoltageNominal(ch))},
                    {QStringLiteral("CurrentMaxSet"), fixed6(m.GetChannelCurrentNominal(ch))},
                }};
    }

    /// Writes the INI text of `snapshot` into the empty file at `path`.
    bool writeSettings(const QString &path, const ProfileSnapshot &snapshot)
    {
        QSettings settings(path, QSettings::IniFormat);
        for (const ProfileSection &section : snapshot) {
            settings.beginGroup(section.name);
            for (const auto &value : section.values)
                settings.setValue(value.first, value.second);
            settings.endGroup();
        }
        settings.sync();
        return settings.status() == QSettings::NoError;
    }

} // namespace

ProfileSnapshot fromModule(BaseModule &module)
{
    ProfileSnapshot snapshot {moduleSection(module)};
    const int channels = ProfileRecord::channelsOf(module);
    for (int ch = 0; ch < channels; ++ch)
        snapshot.append(channelSection(module, ch));
    return snapshot;
}

bool write(const QString &path, const ProfileSnapshot &snapshot, QString *error)
{
    // The settings store merges into a file that exists, so it writes into a
    // new, empty one beside the target, which replaces the target only once
    // it is complete. Beside it: a rename never crosses file systems.
    const QFileInfo target(path);
    // The rename would put a plain file in place of a device, a pipe or a
    // folder (/dev/null, for one, when run as root).
    if (target.exists() && !target.isFile()) {
        *error = QCoreApplication::translate("ProfileFile", "it is not a regular file");
        return false;
    }
    QTemporaryFile temporary(target.absoluteFilePath() + QStringLiteral(".XXXXXX"));
    if (!temporary.open()) {
        *error = temporary.errorString();
        return false;
    }
    const QString temporaryPath = temporary.fileName();
    temporary.close();

    if (!writeSettings(temporaryPath, snapshot)) {
        *error = QCoreApplication::translate("ProfileFile", "the file could not be written");
        return false;
    }
    // The new file gets the old one's permissions, or the usual ones.
    QFile::setPermissions(temporaryPath,
                          target.exists() ? target.permissions()
                                          : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
                                  | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
    // rename(2) replaces the target in one step: a reader sees the old file
    // or the new one, never a part.
    if (std::rename(QFile::encodeName(temporaryPath).constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData())
        != 0) {
        *error = qt_error_string(errno);
        return false;
    }
    return true;
}

} // namespace ProfileFile
