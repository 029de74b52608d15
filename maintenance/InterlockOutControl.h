#pragma once

#include <QtGlobal>

/// The interlock output's control word as the interlock-out dialog writes
/// it: each box the dialog offers decides its bit, and the reserved bits go
/// back as the module last reported them, so a write never clears a bit the
/// operator cannot see.
namespace InterlockOutControl {

enum Bit : quint16 {
    TestLoops0 = 0x0001,
    TestLoops1 = 0x0002,
    TestLoops2 = 0x0004,
    TestLoops3 = 0x0008,
    SimulateCurrentControl = 0x0020, ///< "CC / TRIP"
    SimulateCurrentLimit = 0x0040,
    SimulateVoltageBounds = 0x0080,
    SimulateVoltageLimit = 0x0100,
    SimulateCurrentBounds = 0x0200,
    ClearRegisters = 0x4000,
    Enable = 0x8000
};

/// The bits the dialog has boxes for; bits 4 and 10 to 13 are reserved.
constexpr quint16 Offered = 0xC3EF;
static_assert(Offered
                  == (TestLoops0 | TestLoops1 | TestLoops2 | TestLoops3 | SimulateCurrentControl
                      | SimulateCurrentLimit | SimulateVoltageBounds | SimulateVoltageLimit
                      | SimulateCurrentBounds | ClearRegisters | Enable),
              "every offered bit has a name");

/// The word to write: `ticked` (a 1 for each ticked box) decides the offered
/// bits, `copy` (the control word last shown) the reserved ones.
constexpr quint16 compose(quint16 copy, quint16 ticked)
{
    return quint16((copy & ~Offered) | (ticked & Offered));
}

} // namespace InterlockOutControl
