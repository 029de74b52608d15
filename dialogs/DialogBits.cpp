#include "DialogBits.h"

namespace DialogBits {

int channelMaskBoxCount(int channels)
{
    if (channels == 32)
        return 32;
    if (channels >= 24)
        return 24;
    if (channels >= 16)
        return 16;
    if (channels >= 12)
        return 12;
    if (channels >= 8)
        return 8;
    if (channels >= 4)
        return 4;
    return 0;
}

} // namespace DialogBits
