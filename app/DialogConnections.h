#pragma once

class CrateCore;
class DialogChannelBounds;
class DialogChannelControl;
class DialogCrate;
class DialogFactory;
class DialogFlexGroups;
class DialogInterlockOut;
class DialogModuleControl;
class DialogOverview;
class DialogSpecial;
class DialogStatistic;
class DialogSuppliesTempLimits;

/// Which update signals of the crate core feed which dialog slot, and which
/// dialog requests reach which request slot of the core. Typed connections:
/// the compiler checks every pair. Made once, when a dialog is created, and
/// never removed: a hidden dialog keeps receiving updates.
namespace DialogConnections {

void connect(CrateCore *crate, DialogChannelControl *dialog);
void connect(CrateCore *crate, DialogModuleControl *dialog);
void connect(CrateCore *crate, DialogChannelBounds *dialog);
void connect(CrateCore *crate, DialogSuppliesTempLimits *dialog);
void connect(CrateCore *crate, DialogCrate *dialog);
void connect(CrateCore *crate, DialogOverview *dialog);
void connect(CrateCore *crate, DialogFactory *dialog);
void connect(CrateCore *crate, DialogFlexGroups *dialog);
void connect(CrateCore *crate, DialogSpecial *dialog);
void connect(CrateCore *crate, DialogStatistic *dialog);
void connect(CrateCore *crate, DialogInterlockOut *dialog);

} // namespace DialogConnections
