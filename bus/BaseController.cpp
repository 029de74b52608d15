#include "BaseController.h"

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
