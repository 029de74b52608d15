#include "V1718.h"

#include "BridgeLibrary.h"
#include "BusTransaction.h"

#include <QDebug>

namespace {
const char *const LibraryName = "CAENVMElib";
constexpr int BoardV1718 = 0;
constexpr int DataWidthD16 = 0x02;
} // namespace

V1718::V1718()
{
    // On Linux CAEN ships the library as libCAENVME.so; accept that name too.
    QString loaderError;
    if (!BridgeLibrary::load(m_library,
                             {QString::fromLatin1(LibraryName), QStringLiteral("CAENVME")},
                             &loaderError)) {
        m_errorString = loaderError;
        qDebug() << m_errorString;
        return;
    }
    qDebug() << m_library.fileName() << "loaded";

    using BridgeLibrary::resolve;
    m_swRelease
        = reinterpret_cast<SWReleaseFn>(resolve(m_library, "CAENVME_SWRelease", "softwareRelease"));
    m_init = reinterpret_cast<InitFn>(resolve(m_library, "CAENVME_Init", "init"));
    m_end = reinterpret_cast<EndFn>(resolve(m_library, "CAENVME_End", "end"));
    m_boardFirmwareRelease = reinterpret_cast<BoardFWReleaseFn>(
        resolve(m_library, "CAENVME_BoardFWRelease", "boardFirmwareRelease"));
    m_readCycle = reinterpret_cast<CycleFn>(resolve(m_library, "CAENVME_ReadCycle", "readCycle"));
    m_writeCycle
        = reinterpret_cast<CycleFn>(resolve(m_library, "CAENVME_WriteCycle", "writeCycle"));
    m_setTimeout
        = reinterpret_cast<SetTimeoutFn>(resolve(m_library, "CAENVME_SetTimeout", "setTimeout"));
    m_systemReset
        = reinterpret_cast<SystemResetFn>(resolve(m_library, "CAENVME_SystemReset", "systemReset"));

    if (!m_swRelease || !m_init || !m_end || !m_boardFirmwareRelease || !m_readCycle
        || !m_writeCycle || !m_setTimeout || !m_systemReset) {
        m_errorString = QStringLiteral("Error while loading shared library '%1'")
                            .arg(QString::fromLatin1(LibraryName));
        qDebug() << m_errorString;
        forgetEntryPoints();
        m_library.unload();
        return;
    }

    m_multiRead = reinterpret_cast<MultiReadFn>(m_library.resolve("CAENVME_MultiRead"));

    qDebug("softwareRelease returns: %s", qPrintable(softwareRelease()));
    // The status is not examined: a handle that stays 0 means no device.
    m_init(BoardV1718, 0, 0, &m_handle);
}

V1718::~V1718()
{
    if (m_end && m_handle != 0) {
        m_end(m_handle);
        m_handle = 0;
    }
}

void V1718::forgetEntryPoints()
{
    m_swRelease = nullptr;
    m_init = nullptr;
    m_boardFirmwareRelease = nullptr;
    m_end = nullptr;
    m_readCycle = nullptr;
    m_writeCycle = nullptr;
    m_setTimeout = nullptr;
    m_systemReset = nullptr;
    m_multiRead = nullptr;
}

QString V1718::softwareRelease()
{
    // The library writes at most 39 characters and a NUL; leave room to spare.
    char text[64] = {};
    m_swRelease(text);
    text[sizeof(text) - 1] = '\0';
    return QString::fromLatin1(text);
}

QString V1718::errorString() { return m_errorString; }

QString V1718::name() { return QStringLiteral("CAEN V1718"); }

QString V1718::statusText()
{
    if (!m_swRelease)
        return QStringLiteral("Not connected to CAEN VME library!");
    return QStringLiteral("CAEN VME library version %1").arg(softwareRelease());
}

QStringList V1718::deviceList() { return {}; }

bool V1718::isConnected() { return m_handle != 0; }

int V1718::systemReset(int *error)
{
    int status = NoDevice;
    if (m_handle != 0) {
        BusTransaction transaction(this);
        status = m_systemReset(m_handle);
    }
    if (error)
        *error = status;
    return status;
}

int V1718::write16(quint32 address, int addressModifier, quint16 data, int *error)
{
    int status = NoDevice;
    if (m_handle != 0) {
        BusTransaction transaction(this);
        quint16 cell = data;
        status = m_writeCycle(m_handle, address, &cell, addressModifier, DataWidthD16);
    }
    if (error)
        *error = status;
    return status;
}

int V1718::readBatch(const QVector<quint32> &addresses, int addressModifier,
                     QVector<quint16> *words, QVector<int> *errors)
{
    if (!m_multiRead || m_handle == 0)
        return VmeController::readBatch(addresses, addressModifier, words, errors);
    BusTransaction transaction(this);
    const int count = int(addresses.size());
    words->resize(count);
    errors->resize(count);
    int result = 0;
    for (int first = 0; first < count; first += MultiReadCycles) {
        const int n = qMin(MultiReadCycles, count - first);
        QVector<uint32_t> cycleAddresses(addresses.begin() + first, addresses.begin() + first + n);
        QVector<uint32_t> buffer(n, 0);
        QVector<int> modifiers(n, addressModifier);
        QVector<int> widths(n, DataWidthD16);
        QVector<int> codes(n, 0);
        const int status = m_multiRead(m_handle, cycleAddresses.data(), buffer.data(), n,
                                       modifiers.data(), widths.data(), codes.data());
        for (int i = 0; i < n; ++i) {
            // A call that failed as a whole leaves codes it did not reach at 0.
            const int code
                = codes.at(i) != 0 ? codes.at(i) : (status != 0 && status != -1 ? status : 0);
            (*errors)[first + i] = code;
            (*words)[first + i] = code == 0 ? quint16(buffer.at(i) & 0xFFFF) : 0;
            if (result == 0 && code != 0)
                result = code;
        }
    }
    return result;
}

quint16 V1718::read16(quint32 address, int addressModifier, int *error)
{
    int status = NoDevice;
    quint16 cell = 0;
    if (m_handle != 0) {
        BusTransaction transaction(this);
        status = m_readCycle(m_handle, address, &cell, addressModifier, DataWidthD16);
    }
    if (error)
        *error = status;
    return status == 0 ? cell : 0;
}
