#pragma once

/*
 * norvsim: the simulated crate behind the stand-in bridge libraries.
 *
 * The stand-ins (libxxusb.so, libCAENVMElib.so) make their bus cycles through
 * norvsim_bus_read/norvsim_bus_write. A test links libnorvsim.so to reach the
 * same crate the program under test uses: to set it up, advance simulated
 * time, inject faults and read counters. Modules are named by the base
 * address they answer at now. Calls that take a base return -1 (or NaN) when
 * no module answers there.
 */

#include <stdint.h>

#if defined(_WIN32)
#define NORVSIM_EXPORT __declspec(dllexport)
#else
#define NORVSIM_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Channel quantities for norvsim_channel_value / norvsim_set_channel_value. */
enum NorvSimQuantity {
    NORVSIM_VOUT = 0, /* output voltage, V (settable) */
    NORVSIM_IOUT = 1, /* output current, A */
    NORVSIM_VSET = 2, /* voltage set, V */
    NORVSIM_ISET = 3, /* current set, A */
    NORVSIM_VNOM = 4, /* adjustable voltage nominal, V */
    NORVSIM_INOM = 5, /* adjustable current nominal, A */
    NORVSIM_LOAD = 6 /* load resistance, Ohm (settable) */
};

/* --- the crate ----------------------------------------------------------- */

/// Recreates the crate from scratch, reading the environment again. A null
/// path uses NORV_SIM_CRATE (or the default crate), "" the default crate.
/// Returns 0 when the new crate has a bridge, -1 otherwise.
NORVSIM_EXPORT int norvsim_reset(const char *crateJsonPath);
/// Why the crate has no bridge when its description was unusable; "" otherwise.
NORVSIM_EXPORT const char *norvsim_last_error(void);
/// 1 when a bridge is found (not NORV_SIM_NO_BRIDGE=1, description usable).
NORVSIM_EXPORT int norvsim_bridge_present(void);
/// Serial text of the bridge (for example "VM0042").
NORVSIM_EXPORT const char *norvsim_bridge_serial(void);
NORVSIM_EXPORT int norvsim_module_count(void);
/// Base address module `index` (description order) answers at now; -1 if none.
NORVSIM_EXPORT int norvsim_module_base(int index);

/* --- time ------------------------------------------------------------------ */

/// Moves simulated time forward at once (added to the scaled steady clock).
NORVSIM_EXPORT void norvsim_advance_ms(double ms);
/// Simulated milliseconds since the crate was created.
NORVSIM_EXPORT double norvsim_now_ms(void);

/* --- the bus: exactly one cycle, counted, traced and checked ---------------- */

/// One read cycle; dataWidth in bytes (2 = D16). 0 on success, -1 on failure
/// (then *data is left untouched).
NORVSIM_EXPORT int norvsim_bus_read(uint32_t address, int addressModifier, int dataWidth,
                                    uint16_t *data);
/// One write cycle; 0 on success, -1 on failure.
NORVSIM_EXPORT int norvsim_bus_write(uint32_t address, int addressModifier, int dataWidth,
                                     uint16_t data);
/// `count` read cycles in one transfer, as a bridge's multi-cycle call makes
/// them: each cycle counted, traced and checked like a single one, but one
/// round trip of latency for them all (plus a small cost per cycle). Each
/// status is 0 or -1 as for norvsim_bus_read; returns 0 when all succeeded.
NORVSIM_EXPORT int norvsim_bus_read_multi(int count, const uint32_t *addresses,
                                          const int *addressModifiers, const int *dataWidths,
                                          uint16_t *data, int *status);

/* --- looking inside (no bus cycle: not counted, not traced) ---------------- */

/// Value of the register at `offset` from the base (both halves of a 32-bit one).
NORVSIM_EXPORT int64_t norvsim_register(int base, uint32_t offset);
NORVSIM_EXPORT double norvsim_channel_value(int base, int channel, int quantity);
/// Sets NORVSIM_VOUT or NORVSIM_LOAD; 0 on success.
NORVSIM_EXPORT int norvsim_set_channel_value(int base, int channel, int quantity, double value);
/// Base address stored in the module's EEPROM image.
NORVSIM_EXPORT int norvsim_eeprom_base(int base);
/// Bytes in the module's flash image.
NORVSIM_EXPORT int norvsim_flash_size(int base);
/// One flash byte, -1 where nothing was burnt.
NORVSIM_EXPORT int norvsim_flash_byte(int base, uint32_t address);

/* --- counters ------------------------------------------------------------- */

/// Cycles addressed to the module since creation or norvsim_reset_counters.
NORVSIM_EXPORT int64_t norvsim_cycle_count(int base);
/// 32-bit registers accessed with a cycle to another register between the halves.
NORVSIM_EXPORT int64_t norvsim_torn_access_count(void);
/// Round trips to the bridge since creation or norvsim_reset_counters: one per
/// single cycle, one per multi-cycle transfer.
NORVSIM_EXPORT int64_t norvsim_round_trip_count(void);
NORVSIM_EXPORT void norvsim_reset_counters(void);

/* --- faults --------------------------------------------------------------- */

/// The module stops answering for `ms` simulated milliseconds (< 0: until replugged).
NORVSIM_EXPORT int norvsim_inject_unplug(int base, double ms);
NORVSIM_EXPORT int norvsim_inject_replug(int base);
/// Each cycle to the module fails with probability `rate` (seeded generator).
NORVSIM_EXPORT int norvsim_inject_bus_errors(int base, double rate, uint32_t seed);
/// The next read at `offset` returns `value` instead of the register.
NORVSIM_EXPORT int norvsim_inject_wrong_read(int base, uint32_t offset, uint16_t value);
/// External inhibit of one channel on (1) or off (0).
NORVSIM_EXPORT int norvsim_inject_inhibit(int base, int channel, int inhibit);

/* --- trace ---------------------------------------------------------------- */

/// Appends every following bus cycle to `path`; null or "" stops. 0 on success.
NORVSIM_EXPORT int norvsim_trace(const char *path);

#ifdef __cplusplus
}
#endif
