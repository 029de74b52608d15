#include "BaseAddressProgram.h"

#include <BaseModule.h>
#include <CorePrompt.h>
#include <CrateCore.h>
#include <Sequence.h>
#include <WordBits.h>

#include <QCoreApplication>
#include <QDebug>
#include <QTime>

namespace {

constexpr quint32 AddressSpaceEnd = 0xFFFF;
constexpr int DeviceClassWideWindow = 29;
constexpr quint32 NarrowWindow = 0x400;
constexpr quint32 WideWindow = 0x800;

constexpr int VerifyAttempts = 10;
constexpr int VerifyPauseMs = 50;
constexpr int SpecialModeAttempts = 20;
constexpr int SpecialModePauseMs = 50;
constexpr quint32 SpecialModeRequest = 0x0005; // "Set Special Mode" and "Set Stop"
constexpr quint32 RestartCommand = 9;
constexpr quint16 NotConfirmed = 0xFFFF;

QString tr(const char *text) { return QCoreApplication::translate("BaseAddressProgram", text); }

// What the module confirms. A dead bus reads 0 from both address words, which
// would confirm address 0: the module must also answer with its serial number.
quint16 confirmedAddress(BaseModule *module)
{
    const quint16 result = module->VerifyModuleBaseAddress();
    if (result == NotConfirmed || module->GetModuleSerialNumber() == 0)
        return NotConfirmed;
    return result;
}

} // namespace

quint32 BaseAddressProgram::step(int deviceClass)
{
    return deviceClass == DeviceClassWideWindow ? WideWindow : NarrowWindow;
}

QStringList BaseAddressProgram::choices(int deviceClass)
{
    QStringList items;
    for (quint32 address = 0; address < AddressSpaceEnd; address += step(deviceClass))
        items << QStringLiteral("0x")
                + QString::number(address, 16).toUpper().rightJustified(4, '0');
    return items;
}

int BaseAddressProgram::preselected(quint16 address, int deviceClass)
{
    return int(address / step(deviceClass));
}

const BaseAddressProgram::Neighbour *
BaseAddressProgram::occupant(quint16 address, int deviceClass, const QList<Neighbour> &neighbours)
{
    const quint32 begin = address;
    const quint32 end = begin + step(deviceClass);
    for (const Neighbour &other : neighbours) {
        if (other.base < end && begin < other.base + other.window)
            return &other;
    }
    return nullptr;
}

QList<BaseAddressProgram::Neighbour> BaseAddressProgram::neighbours(CrateCore &crate)
{
    QList<Neighbour> result;
    for (int slot = 0; slot < crate.moduleCount(); ++slot) {
        BaseModule *module = crate.module(slot);
        if (slot == crate.currentModuleIndex() || !module)
            continue;
        result.append({module->GetModuleBaseAddress(), step(module->deviceClass()),
                       module->GetModuleSerialNumber()});
    }
    return result;
}

QString BaseAddressProgram::spacePadded(quint32 address)
{
    return QStringLiteral("%1").arg(address, 4, 16, QLatin1Char(' '));
}

QString BaseAddressProgram::zeroPadded(quint32 address)
{
    return QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0'));
}

BaseAddressProgram::Outcome BaseAddressProgram::run(Sequence &sequence, const Wait &wait,
                                                    CorePrompt &prompt,
                                                    const QList<Neighbour> &neighbours)
{
    const QString title = CorePrompt::programTitle();
    BaseModule *module = sequence.module();
    if (!module)
        return Outcome::Aborted;

    const quint16 oldAddress = module->GetModuleBaseAddress();
    const int deviceClass = module->deviceClass();
    bool ok = false;
    const QString choice = prompt.getItem(
        title,
        tr("Please choose a new VME Base Address for the module with serial number "
           "%1.\n\nThis new address is programmed in the EEPROM of the module and used after a "
           "reset.\n\nPlease make sure that the address jumper is not set!")
            .arg(module->GetModuleSerialNumber()),
        choices(deviceClass), preselected(oldAddress, deviceClass), &ok);
    if (!ok || choice.isEmpty())
        return Outcome::Cancelled;
    QString digits = choice;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits.remove(0, 2);
    const uint parsed = digits.toUInt(&ok, 16);
    if (!ok || parsed > AddressSpaceEnd)
        return Outcome::Cancelled;
    const quint16 newAddress = quint16(parsed);

    // Two modules decoding one window block each other: neither answers after the restart.
    if (const Neighbour *other = occupant(newAddress, deviceClass, neighbours)) {
        const QString text
            = tr("The address window at 0x%1 is used by the module with serial number %2 at "
                 "0x%3.\n\nAfter the reset neither module will answer.\n\nDo you want to program "
                 "this address anyway?")
                  .arg(zeroPadded(newAddress))
                  .arg(other->serialNumber)
                  .arg(zeroPadded(other->base));
        if (prompt.question(title, text, CorePrompt::Yes | CorePrompt::No) != CorePrompt::Yes)
            return Outcome::Cancelled;
    }

    module->ProgramModuleBaseAddress(newAddress);
    for (int attempt = 0; attempt < VerifyAttempts; ++attempt) {
        if (confirmedAddress(module) == newAddress)
            break;
        wait(VerifyPauseMs);
        if (!(module = sequence.module()))
            return Outcome::Aborted;
    }
    const quint16 result = confirmedAddress(module);
    if (result != newAddress) {
        prompt.information(title,
                           tr("It seems the module didn't accept our new address 0x%1.\n\nThe "
                              "module returned 0x%2 instead. Giving up.")
                               .arg(spacePadded(newAddress), spacePadded(result)));
        return Outcome::NotAccepted;
    }

    const int answer = prompt.question(
        title,
        tr("Module returned NewBaseAddress = 0x%1, which seems to be Ok.\n\nDo you want to reset "
           "the module to use this new address?")
            .arg(spacePadded(newAddress)),
        CorePrompt::Yes | CorePrompt::No);
    if (answer != CorePrompt::Yes) {
        prompt.information(
            title,
            tr("The Module still uses it's old address 0x%1.\n\nYou can communicate with it till "
               "the next hardware reset.\n\nPlease note the new Base Address 0x%2 and use this "
               "new addressfor communication after the reset (Menu File -> Module address.")
                .arg(zeroPadded(oldAddress), zeroPadded(newAddress)));
        return Outcome::KeptOldAddress;
    }

    quint32 status = 0;
    for (int attempt = 0; attempt < SpecialModeAttempts; ++attempt) {
        module->SetModuleControl(SpecialModeRequest);
        status = module->GetModuleStatus();
        if (status & WordBits::ModuleStatus::SpecialMode)
            break;
        wait(SpecialModePauseMs);
        if (!(module = sequence.module()))
            return Outcome::Aborted;
    }
    const bool special = status & WordBits::ModuleStatus::SpecialMode;
    if (special) {
        module->SetModuleSpecialControlCommand(RestartCommand);
        qDebug("%d: RESTART", QTime::currentTime().msecsSinceStartOfDay());
    } else {
        prompt.warning(title,
                       tr("Can not set Module to special mode - reset is not possible!\n\nPlease "
                          "try a hardware reset by powering the crate off/on!"));
    }
    // Either way the module answers at the new address from its next start on.
    module->SetModuleBaseAddress(newAddress);
    return special ? Outcome::Restarted : Outcome::NotRestarted;
}
