#include "BaseController.h"

#include "BusTransaction.h"

BaseController::~BaseController() = default;

void BaseController::setOption(const QString &option) { Q_UNUSED(option) }

bool BaseController::setIpAddress(const QString &address)
{
    Q_UNUSED(address)
    return false;
}

void BaseController::setLiveInsertion(bool enable) { Q_UNUSED(enable) }

bool BaseController::liveInsertion() { return false; }

QString BaseController::extraInfo() { return QString(); }

QString BaseController::name() { return QStringLiteral("BaseController"); }

bool BaseController::isConnected() { return false; }

int VmeController::readBatch(const QVector<quint32> &addresses, int addressModifier,
                             QVector<quint16> *words, QVector<int> *errors)
{
    BusTransaction transaction(this);
    words->resize(addresses.size());
    errors->resize(addresses.size());
    int result = 0;
    for (int i = 0; i < addresses.size(); ++i) {
        (*words)[i] = read16(addresses.at(i), addressModifier, &(*errors)[i]);
        if (result == 0 && (*errors)[i] < 0)
            result = (*errors)[i];
    }
    return result;
}
