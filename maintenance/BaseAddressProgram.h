#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class CorePrompt;
class CrateCore;
class Sequence;

/// Moves a module to a new VME base address: the operator picks the address
/// from a fixed list, the module stores it in its EEPROM and must confirm it,
/// and, if the operator agrees, restarts so that it answers there at once.
/// Every message goes through the operator prompt; a headless tool runs the
/// same sequence with a prompt of its own.
class BaseAddressProgram
{
public:
    /// Lets the event loop run for the given milliseconds.
    using Wait = std::function<void(int ms)>;

    /// Another module of the crate and the address window it decodes.
    struct Neighbour
    {
        quint16 base = 0;
        quint32 window = 0;
        int serialNumber = 0;
    };

    enum class Outcome {
        Cancelled, ///< no address chosen, or the operator kept off an occupied window
        NotAccepted, ///< the module never confirmed; the program keeps the old address
        KeptOldAddress, ///< confirmed, not restarted: the module moves at its next reset
        Restarted, ///< restarted; the program talks to it at the new address
        NotRestarted, ///< confirmed, special mode refused; the program uses the new address
        Aborted ///< the module went away during the sequence
    };

    /// Distance between two choices, the address window of the class: 0x800
    /// for class 29, 0x400 otherwise.
    static quint32 step(int deviceClass);
    /// "0x%04X" for every multiple of the step below 0xFFFF.
    static QStringList choices(int deviceClass);
    /// The choice preselected for a module at `address`.
    static int preselected(quint16 address, int deviceClass);
    /// The first neighbour whose window overlaps the window at `address`, or null.
    static const Neighbour *occupant(quint16 address, int deviceClass,
                                     const QList<Neighbour> &neighbours);
    /// Every module of the crate but the current one.
    static QList<Neighbour> neighbours(CrateCore &crate);

    /// Runs the whole sequence on the sequence's module.
    static Outcome run(Sequence &sequence, const Wait &wait, CorePrompt &prompt,
                       const QList<Neighbour> &neighbours);

    /// Lower-case hexadecimal right-aligned in four characters, space-filled.
    static QString spacePadded(quint32 address);
    /// Four lower-case hexadecimal digits, zero-filled.
    static QString zeroPadded(quint32 address);
};
