#pragma once

#include <BaseModule.h>

#include <QString>

#include <memory>

/// One of the crate's 64 module slots: the module object found there, how
/// far it has come in answering, the serial number the latest refresh tick
/// read and whether its first display opens the factory dialog.
struct ModuleSlot
{
    /// Connection states, advanced at the start of every refresh tick.
    enum State { New = 0, Answering = 1, Shown = 2, NotAnswering = 3 };

    std::unique_ptr<BaseModule> module;
    int state = New;
    int serialNumber = 0;
    bool serviceFlag = false;

    /// The state after a connection check that read `serialNumber` and `connected`.
    /// A module object keeps its cached identification, so `connected` can
    /// stay true after the module fell silent; its serial number then reads 0.
    static int nextState(int state, int serialNumber, bool connected)
    {
        const bool answering = connected && serialNumber != 0;
        switch (state) {
        case New:
        case NotAnswering:
            return answering ? Answering : state;
        case Answering:
        case Shown:
            return answering ? state : NotAnswering;
        default:
            return state;
        }
    }
};
