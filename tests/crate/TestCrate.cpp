#include "TestCrate.h"

#include <CrateCore.h>
#include <SettingsStore.h>
#include <SimBus.h>
#include <norvsim.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSettings>

namespace {

QSettings store()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope,
                     QString::fromLatin1(SettingsStore::OrganisationName),
                     QString::fromLatin1(SettingsStore::ApplicationName));
}

QString tracePath;

} // namespace

void TestCrate::useSettingsIn(const QString &dir)
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
}

void TestCrate::prepare(const QString &dir)
{
    useSettingsIn(dir);
    qputenv("NORV_SIM_TIMESCALE", "0");
}

std::unique_ptr<CrateCore> TestCrate::start(CorePrompt *prompt, CrateView *view)
{
    auto core = std::make_unique<CrateCore>();
    core->setPrompt(prompt);
    core->setView(view);
    core->initModuleAccess();
    core->stopRefresh();
    return core;
}

void TestCrate::clearSettings() { store().clear(); }

void TestCrate::setSetting(const QString &key, const QString &value)
{
    store().setValue(key, value);
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
    qunsetenv("NORV_SIM_NO_BRIDGE");
    const QJsonObject crate {{QStringLiteral("modules"), modules}};
    return SimBus::resetTo(QDir(dir).filePath(QStringLiteral("crate.json")),
                           QJsonDocument(crate).toJson())
        == 0;
}

QJsonObject TestCrate::module(int base, int deviceClass, int serial, const QJsonObject &extra)
{
    QJsonObject module = extra;
    module.insert(QStringLiteral("base"), base);
    module.insert(QStringLiteral("class"), deviceClass);
    module.insert(QStringLiteral("serial"), serial);
    return module;
}

bool TestCrate::refreshRow(CrateCore &core, int row)
{
    for (int tick = 0; tick < 2 * CrateCore::MaxModules; ++tick) {
        const int cursor = core.rowCursor();
        core.refreshTimerUpdate();
        if (cursor == row || (row == 0 && cursor >= core.rowCount()))
            return true;
    }
    return false;
}

bool TestCrate::startTrace(const QString &dir)
{
    tracePath = QDir(dir).filePath(QStringLiteral("bus.trace"));
    QFile::remove(tracePath);
    return norvsim_trace(QFile::encodeName(tracePath).constData()) == 0;
}

QList<quint32> TestCrate::stopTrace(char direction, quint32 dataAt)
{
    norvsim_trace(nullptr);
    QFile file(tracePath);
    if (!file.open(QIODevice::ReadOnly))
        return {0xFFFFFFFFu};
    QList<quint32> addresses;
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().simplified().split(' ');
        if (fields.size() < 5 || fields.at(1) != QByteArray(1, direction))
            continue;
        const quint32 address = fields.at(2).toUInt(nullptr, 16);
        if (!dataAt)
            addresses.append(address);
        else if (address == dataAt)
            addresses.append(fields.at(4).toUInt(nullptr, 16));
    }
    return addresses;
}

quint32 TestCrate::channelControl(int base, int deviceClass, int channel)
{
    // Layout 20: channel blocks at 0x60 + 0x30 n, control at +0x02;
    // layout 29: at 0x100 + 0x40 n, control at +0x0C.
    const quint32 offset
        = deviceClass == 29 ? 0x100 + 0x40 * channel + 0x0C : 0x60 + 0x30 * channel + 0x02;
    return quint32(norvsim_register(base, offset));
}

void TestCrate::switchAllOn(int base, int deviceClass)
{
    // The all-channels-on register.
    SimBus::write32(base + (deviceClass == 29 ? 0xE4 : 0x2B4), 1);
}

int TestCrate::channelsOn(int base, int deviceClass)
{
    int on = 0;
    for (int channel = 0; channel < (deviceClass == 29 ? 24 : 12); ++channel) {
        if (channelControl(base, deviceClass, channel) & 0x0008)
            ++on;
    }
    return on;
}
