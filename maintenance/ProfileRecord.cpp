#include "ProfileRecord.h"

#include <BaseModule.h>

int ProfileRecord::channelsOf(BaseModule &module)
{
    // An unidentified module reports -1 channels until its first identification.
    if (module.GetModuleChannelNumber() < 0)
        module.GetModuleDeviceClass();
    return qBound(0, module.GetModuleChannelNumber(), MaxChannels);
}
