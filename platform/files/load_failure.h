// Why a data file could not be loaded. The loaders note the file and the reason as they fail;
// when a scene's Init fails the driver prints the note as one line on standard error beside its
// message box, so a user who replaced a data file learns which one is wrong and how.
#pragma once

#include <cstdint>
#include <string>

// Keeps "path: reason" as the latest failure.
void NoteLoadFailure(const std::string& path, const std::string& reason);

// The latest failure noted, and forgets it; empty when none was noted since.
std::string TakeLoadFailure();

// "missing", "unreadable (...)", "too large (...)": what stands in the way of reading `path`
// itself (a file of more than `largest` bytes is not read), or empty when the file is there and
// can be read.
std::string WhyUnreadable(const std::string& path, uint64_t largest = UINT64_MAX);
