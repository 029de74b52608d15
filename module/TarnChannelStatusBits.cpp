#include "TarnChannelStatusBits.h"

#include "BitCatalogue.h"

namespace {

const char *const statusText = "isPOS,res,isIERR,isON,isRAMP,isEMCY,isCC,isCV,res,res,isCBNDs,"
                               "isVBNDs,isEINH,isTRIP,isCLIM,isVLIM";
const char *const eventStatusText = "res,res,EIERR,EON2OFF,EEOR,EEMCY,ECC,ECV,res,res,ECBNDs,"
                                    "EVBNDs,EEINH,ETRIP,ECLIM,EVLIM";
const char *const controlText
    = "res,res,res,setON,res,setEMCY,res,res,res,res,setACBND,setAVBND,res,res,res,res";

} // namespace

TarnChannelStatusBits::TarnChannelStatusBits()
    : m_status(BitCatalogue::fromText(statusText))
    , m_eventStatus(BitCatalogue::fromText(eventStatusText))
    , m_control(BitCatalogue::fromText(controlText))
{
}

QStringList TarnChannelStatusBits::statusBitNames(quint32 word) const
{
    return BitCatalogue::names(m_status, word);
}

QString TarnChannelStatusBits::statusBitText(quint32 word) const
{
    return BitCatalogue::text(m_status, word);
}

QStringList TarnChannelStatusBits::eventStatusBitNames(quint32 word) const
{
    return BitCatalogue::names(m_eventStatus, word);
}

QString TarnChannelStatusBits::eventStatusBitText(quint32 word) const
{
    return BitCatalogue::text(m_eventStatus, word);
}

QStringList TarnChannelStatusBits::controlBitNames(quint32 word) const
{
    return BitCatalogue::names(m_control, word);
}

QString TarnChannelStatusBits::controlBitText(quint32 word) const
{
    return BitCatalogue::text(m_control, word);
}
