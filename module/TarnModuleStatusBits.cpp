#include "TarnModuleStatusBits.h"

#include "BitCatalogue.h"

namespace {

const char *const statusText = "isADJ,res,res,res,isSrvc,0,res,res,isnoSERR,isnoRAMP,isSFLPgd,"
                               "isEVNTact,isMODgd,isSPLYgd,isTMPgd,isKILena";
const char *const eventStatusText
    = "res,res,res,ESrvc,res,res,res,res,res,res,ESFLPngd,res,res,ESPLYngd,ETMPngd,res";
const char *const eventMaskText
    = "res,res,res,MESrvc,res,res,res,res,res,res,MESFLPngd,res,res,MESPLYngd,METMPngd,res";
const char *const controlText
    = "res,res,res,res,res,res,doCLEAR,res,res,res,res,1,setADJ,res,setKILena,res";

} // namespace

TarnModuleStatusBits::TarnModuleStatusBits()
    : m_status(BitCatalogue::fromText(statusText))
    , m_eventStatus(BitCatalogue::fromText(eventStatusText))
    , m_eventMask(BitCatalogue::fromText(eventMaskText))
    , m_control(BitCatalogue::fromText(controlText))
{
}

QStringList TarnModuleStatusBits::statusBitNames(quint32 word) const
{
    return BitCatalogue::names(m_status, word);
}

QString TarnModuleStatusBits::statusBitText(quint32 word) const
{
    return BitCatalogue::text(m_status, word);
}

QStringList TarnModuleStatusBits::eventStatusBitNames(quint32 word) const
{
    return BitCatalogue::names(m_eventStatus, word);
}

QString TarnModuleStatusBits::eventStatusBitText(quint32 word) const
{
    return BitCatalogue::text(m_eventStatus, word);
}

QStringList TarnModuleStatusBits::eventMaskBitNames(quint32 word) const
{
    return BitCatalogue::names(m_eventMask, word);
}

QString TarnModuleStatusBits::eventMaskBitText(quint32 word) const
{
    return BitCatalogue::text(m_eventMask, word);
}

QStringList TarnModuleStatusBits::controlBitNames(quint32 word) const
{
    return BitCatalogue::names(m_control, word);
}

QString TarnModuleStatusBits::controlBitText(quint32 word) const
{
    return BitCatalogue::text(m_control, word);
}
