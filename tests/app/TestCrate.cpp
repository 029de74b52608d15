#include "TestCrate.h"

#include <SettingsStore.h>
#include <norvsim.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

namespace {

QSettings *openStore()
{
    return new QSettings(QSettings::IniFormat, QSettings::UserScope,
                         QString::fromLatin1(SettingsStore::OrganisationName),
                         QString::fromLatin1(SettingsStore::ApplicationName));
}

constexpr quint32 ChannelOnBit = 0x0008;

} // namespace

void TestCrate::useSettingsIn(const QString &dir)
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
}

void TestCrate::clearSettings()
{
    QScopedPointer<QSettings> store(openStore());
    store->clear();
}

void TestCrate::setSetting(const QString &key, const QString &value)
{
    QScopedPointer<QSettings> store(openStore());
    store->setValue(key, value);
}

bool TestCrate::resetDefault()
{
    qunsetenv("NORV_SIM_NO_BRIDGE");
    qunsetenv("NORV_SIM_CRATE");
    return norvsim_reset("") == 0;
}

bool TestCrate::resetWithoutBridge()
{
    qputenv("NORV_SIM_NO_BRIDGE", "1");
    const int result = norvsim_reset("");
    qunsetenv("NORV_SIM_NO_BRIDGE");
    return result == -1;
}

bool TestCrate::resetFrom(const QString &dir, const QJsonArray &modules)
{
    const QString path = QDir(dir).filePath(QStringLiteral("crate.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(QJsonDocument(QJsonObject {{QStringLiteral("modules"), modules}}).toJson());
    file.close();
    qunsetenv("NORV_SIM_NO_BRIDGE");
    qputenv("NORV_SIM_CRATE", QFile::encodeName(path));
    const int result = norvsim_reset(nullptr);
    qunsetenv("NORV_SIM_CRATE");
    return result == 0;
}

quint32 TestCrate::channelControl(int base, int deviceClass, int channel)
{
    // Channel blocks: layout 20 at 0x60 + 0x30 n, control at +0x02;
    // layout 29 at 0x100 + 0x40 n, control at +0x0C.
    const quint32 offset
        = deviceClass == 29 ? 0x100 + 0x40 * channel + 0x0C : 0x60 + 0x30 * channel + 0x02;
    return quint32(norvsim_register(base, offset));
}

int TestCrate::channelCount(int deviceClass) { return deviceClass == 29 ? 24 : 12; }

void TestCrate::switchAllOn(int base, int deviceClass)
{
    // The all-channels-on register, a 32-bit word: high half first.
    const quint32 address = base + (deviceClass == 29 ? 0xE4 : 0x2B4);
    norvsim_bus_write(address, 0x29, 2, 0);
    norvsim_bus_write(address + 2, 0x29, 2, 1);
}

int TestCrate::channelsOn(int base, int deviceClass)
{
    int on = 0;
    for (int channel = 0; channel < channelCount(deviceClass); ++channel) {
        if (channelControl(base, deviceClass, channel) & ChannelOnBit)
            ++on;
    }
    return on;
}
