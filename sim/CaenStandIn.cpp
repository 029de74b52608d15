// Stand-in for the V1718 bridge library (CAENVMElib): the same entry points
// with the same C signatures, served by the simulated crate. Built again
// without CAENVME_SetTimeout (NORVSIM_OMIT_SET_TIMEOUT), so that tests can
// show the adapter refusing an incomplete library, and without
// CAENVME_MultiRead (NORVSIM_OMIT_MULTI_READ), as older libraries are.

#include "norvsim.h"

#include <atomic>
#include <cstring>
#include <vector>

#define CAEN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// CVErrorCodes
constexpr int cvSuccess = 0;
constexpr int cvBusError = -1;
constexpr int cvCommError = -2;
constexpr int cvInvalidParam = -4;
// CVBoardTypes
constexpr int cvV1718 = 0;

constexpr int32_t theHandle = 1;
std::atomic<bool> deviceOpen {false};

bool usable(int32_t handle) { return handle == theHandle && deviceOpen.load(); }

} // namespace

CAEN_EXPORT int CAENVME_SWRelease(char *SwRel)
{
    if (!SwRel)
        return cvInvalidParam;
    std::strcpy(SwRel, "norvsim 1.0");
    return cvSuccess;
}

CAEN_EXPORT int CAENVME_Init(int BdType, short Link, short BdNum, int32_t *Handle)
{
    if (!Handle || BdType != cvV1718)
        return cvInvalidParam;
    // One V1718 on link 0; anything else is not connected.
    if (Link != 0 || BdNum != 0 || !norvsim_bridge_present())
        return cvCommError;
    deviceOpen = true;
    *Handle = theHandle;
    return cvSuccess;
}

CAEN_EXPORT int CAENVME_End(int32_t Handle)
{
    if (!usable(Handle))
        return cvInvalidParam;
    deviceOpen = false;
    return cvSuccess;
}

CAEN_EXPORT int CAENVME_BoardFWRelease(int32_t Handle, char *FWRel)
{
    if (!usable(Handle) || !FWRel)
        return cvInvalidParam;
    std::strcpy(FWRel, "1.00");
    return cvSuccess;
}

CAEN_EXPORT int CAENVME_ReadCycle(int32_t Handle, uint32_t Address, void *Data, int AM, int DW)
{
    if (!usable(Handle) || !Data)
        return cvInvalidParam;
    uint16_t value = 0;
    if (norvsim_bus_read(Address, AM, DW, &value) != 0)
        return cvBusError; // the data cell stays as the caller left it
    std::memcpy(Data, &value, sizeof value);
    return cvSuccess;
}

CAEN_EXPORT int CAENVME_WriteCycle(int32_t Handle, uint32_t Address, void *Data, int AM, int DW)
{
    if (!usable(Handle) || !Data)
        return cvInvalidParam;
    uint16_t value = 0;
    std::memcpy(&value, Data, sizeof value);
    return norvsim_bus_write(Address, AM, DW, value) == 0 ? cvSuccess : cvBusError;
}

#ifndef NORVSIM_OMIT_MULTI_READ
CAEN_EXPORT int CAENVME_MultiRead(int32_t Handle, uint32_t *Addrs, uint32_t *Buffer, int NCycles,
                                  int *AMs, int *DWs, int *ECs)
{
    if (!usable(Handle) || NCycles < 0
        || (NCycles > 0 && (!Addrs || !Buffer || !AMs || !DWs || !ECs)))
        return cvInvalidParam;
    std::vector<uint16_t> words(size_t(NCycles), 0);
    std::vector<int> status(size_t(NCycles), 0);
    const int result
        = norvsim_bus_read_multi(NCycles, Addrs, AMs, DWs, words.data(), status.data());
    for (int i = 0; i < NCycles; ++i) {
        // A failed cycle leaves its buffer cell as the caller left it.
        ECs[i] = status[size_t(i)] == 0 ? cvSuccess : cvBusError;
        if (ECs[i] == cvSuccess)
            Buffer[i] = words[size_t(i)];
    }
    return result == 0 ? cvSuccess : cvBusError;
}
#endif

#ifndef NORVSIM_OMIT_SET_TIMEOUT
CAEN_EXPORT int CAENVME_SetTimeout(int32_t Handle, int Timeout)
{
    (void)Timeout; // the simulated bus never times out
    return usable(Handle) ? cvSuccess : cvInvalidParam;
}
#endif

CAEN_EXPORT int CAENVME_SystemReset(int32_t Handle)
{
    // A bus reset reaches no simulated module: they keep their state.
    return usable(Handle) ? cvSuccess : cvInvalidParam;
}
