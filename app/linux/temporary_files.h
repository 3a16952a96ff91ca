#pragma once
// The temporary files a save writes beside the settings file before it
// renames one over the file, "figure.ini.tmp-PID-N", and the removal of
// those that a run killed in the middle of a save left behind.
#include <filesystem>

#include <sys/types.h>

namespace brivonel {

// "<file>.tmp-<pid>-<number>"
std::filesystem::path TemporaryBeside(const std::filesystem::path& file, pid_t pid,
                                      unsigned number);

// Removes the temporary files beside file whose process no longer runs (a
// running process, this one included, may still be saving); returns how
// many were removed.
int RemoveLeftoverTemporaries(const std::filesystem::path& file);

}  // namespace brivonel
