#pragma once

#include <functional>

class BaseModule;
class DialogChannelBounds;
class DialogChannelControl;
class DialogCrate;
class DialogModuleControl;
class DialogSuppliesTempLimits;
class QDialog;
class QObject;
class QWidget;

/// The main window's side of the detail dialogs: which of its update signals
/// feed which dialog slot, which dialog requests reach which of its slots,
/// creation on first use, and the modal runs of the set-current and settings
/// dialogs.
///
/// The main window is only a QObject here; its signals and slots are found by
/// name and signature. A `connect` overload returns false, after logging each
/// connection that failed, when the main window lacks a signal or slot, so a
/// test with a stand-in main window catches a missing one.
namespace DialogWiring {

/// Wires the channel status and control dialog to the main window.
bool connect(QObject *mainWindow, DialogChannelControl *dialog);
/// Wires the module status and control dialog to the main window.
bool connect(QObject *mainWindow, DialogModuleControl *dialog);
/// Wires the channel bounds dialog to the main window.
bool connect(QObject *mainWindow, DialogChannelBounds *dialog);
/// Wires the supplies, temperature and limits dialog to the main window.
bool connect(QObject *mainWindow, DialogSuppliesTempLimits *dialog);
/// Wires the crate dialog to the main window.
bool connect(QObject *mainWindow, DialogCrate *dialog);

/// Action `actionStatusControl`: creates and wires the dialog on first use
/// (parent: the main window), then shows and activates it.
DialogChannelControl *showChannelControl(QWidget *mainWindow, DialogChannelControl *&dialog);
/// Action `actionModuleStatusControl`: as above, and before showing tells the
/// dialog the channel count of the module selected in the main window.
DialogModuleControl *showModuleControl(QWidget *mainWindow, DialogModuleControl *&dialog,
                                       int channelCount);
/// Action `actionBounds`: creates and wires on first use, shows, activates.
DialogChannelBounds *showChannelBounds(QWidget *mainWindow, DialogChannelBounds *&dialog);
/// Action `actionSuppliesAndTemperature`: creates and wires on first use,
/// shows, activates.
DialogSuppliesTempLimits *showSuppliesTempLimits(QWidget *mainWindow,
                                                 DialogSuppliesTempLimits *&dialog);
/// Action `actionCrates`: creates and wires on first use, shows, activates.
DialogCrate *showCrate(QWidget *mainWindow, DialogCrate *&dialog);

/// Runs a modal dialog and returns its result code.
using ModalRunner = std::function<int(QDialog *dialog)>;
/// Replaces how the modal dialogs below are run (an empty runner restores
/// `exec()`). Tests answer the dialog with it instead of hunting for windows.
void setModalRunner(ModalRunner runner);

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

} // namespace DialogWiring
