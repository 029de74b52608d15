#pragma once

#include <functional>

class BaseModule;
class QDialog;
class QWidget;

/// The modal dialogs the main window runs for the current module: the set
/// current with its delayed trip, for one channel or all, and the display
/// settings. Each asks, and writes only when the operator accepts.
namespace ModalRuns {

/// Runs a modal dialog and returns its result code.
using ModalRunner = std::function<int(QDialog *dialog)>;
/// Replaces how the modal dialogs below are run (an empty runner restores
/// `exec()`). Tests answer the dialog with it instead of hunting for windows.
void setModalRunner(ModalRunner runner);
/// Runs `dialog` modally as the runner says; returns its result code.
int runModal(QDialog *dialog);

/// Action `actionSetCurrentTrip`: asks for the set current and delayed trip of
/// channel `row` of `module` and, on acceptance, writes both into that
/// channel. Returns whether anything was written.
bool runSetCurrentTrip(QWidget *parent, BaseModule *module, int row);
/// Action `actionSetAllChannelsCurrentTrip`: asks once for all channels of
/// `module` (prefilled from channel `row`) and, on acceptance, writes the set
/// current to all channels and the delayed trip to each channel.
bool runSetAllChannelsCurrentTrip(QWidget *parent, BaseModule *module, int row);
/// Action `actionSettings`: asks for the display units and digits of `module`
/// and, on acceptance, gives them to it.
bool runSettings(BaseModule *module);

} // namespace ModalRuns
