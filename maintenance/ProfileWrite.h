#pragma once

#include <QString>

#include <functional>

class CorePrompt;
class Sequence;
struct ProfileRecord;

/// Writing a profile into a module: stop mode, the values with the control
/// words and nominals read back, the store request, and the module's control
/// word restored. The window and headless tools run this same procedure.
namespace ProfileWrite {

/// How a write ended.
enum class Result {
    Written, ///< everything written and stored
    StoreIncomplete, ///< everything written; the module never finished storing
    StopModeFailed, ///< the module never reached stop mode; nothing written
    ChannelFailed, ///< a channel did not take its control word or a nominal
    StoreDeclined, ///< the store request was not seen and the operator gave up
    Aborted ///< the module went away during a pause (the module list was rebuilt)
};

/// Lets the program run for `ms` milliseconds between two reads.
using Wait = std::function<void(int ms)>;
/// Takes one line of the write log.
using Log = std::function<void(const QString &line)>;

/// Writes `profile` into the sequence's module. Looks for the module again
/// after every pause and gives up when it went away. Every outcome but a
/// declined retry is told to the operator through `prompt`.
Result run(Sequence &sequence, const ProfileRecord &profile, const Wait &wait, CorePrompt &prompt,
           const Log &log);

} // namespace ProfileWrite
