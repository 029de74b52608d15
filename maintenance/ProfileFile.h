#pragma once

#include <QList>
#include <QPair>
#include <QString>

class BaseModule;

/// One section of a profile file: its name and its keys with their texts, in
/// the order the writer produces them.
struct ProfileSection
{
    QString name;
    QList<QPair<QString, QString>> values;

    friend bool operator==(const ProfileSection &a, const ProfileSection &b)
    {
        return a.name == b.name && a.values == b.values;
    }
    friend bool operator!=(const ProfileSection &a, const ProfileSection &b) { return !(a == b); }
};

/// The texts of a whole profile file, section by section.
using ProfileSnapshot = QList<ProfileSection>;

/// Writing profile files. The file is Qt's own INI settings file, so every
/// profile written before, and any other INI reader, keeps working.
namespace ProfileFile {

/// Reads the module's settable configuration, one live read per getter in
/// the file's key order: section "Module", then "Channel0", "Channel1", ...
ProfileSnapshot fromModule(BaseModule &module);

/// Writes exactly `snapshot` into `path`: a fresh file, completed beside the
/// target and then put in its place, so an earlier file's sections never
/// survive and a failed write leaves the old file as it was. A `path` that
/// exists but is no regular file (a device, a pipe) is refused. On failure
/// returns false with the reason in `error`.
bool write(const QString &path, const ProfileSnapshot &snapshot, QString *error);

} // namespace ProfileFile
