#pragma once

#include "SimModule.h"

#include <memory>
#include <string>
#include <vector>

/// The crate's state file: what each module was left with when a process
/// ended, so that the next process (a command-line tool run after another)
/// finds the crate as the last one left it. Modules are matched by class and
/// serial number; a module the file does not know starts fresh.
namespace CrateState {

/// Applies the file at `path` to `modules`. A missing file is a fresh crate;
/// false with `*error` for a file that cannot be read or understood (the
/// modules are then left as they were).
bool load(const std::string &path, const std::vector<std::unique_ptr<SimModule>> &modules,
          std::string *error);
/// Writes the modules' state to `path` (replacing the file in one step).
bool save(const std::string &path, const std::vector<std::unique_ptr<SimModule>> &modules,
          std::string *error);

} // namespace CrateState
