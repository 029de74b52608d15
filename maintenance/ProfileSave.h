#pragma once

#include <QString>

class BaseModule;
class CorePrompt;
class Sequence;

/// Saving a module's profile.
namespace ProfileSave {

/// Why the module's profile cannot be saved (it does not answer, or it runs
/// its firmware loader and every value would read 0); empty when it can.
QString refusal(BaseModule &module);

/// Saves the sequence's module into `path`. Refuses a module that cannot be
/// saved, and warns with the file's name when the file cannot be written;
/// the operator hears of every failure through `prompt`. True when saved.
bool save(Sequence &sequence, const QString &path, CorePrompt &prompt);

} // namespace ProfileSave
