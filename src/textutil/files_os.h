// Files and the program's location, with names given as code page 936 text.
// Either "\" or "/" separates folders; each backend turns the name into the
// platform's own form (UTF-8 on POSIX, UTF-16 on Windows) only when opening.
#pragma once

#include <cstdint>
#include <string>

#include "textutil/text.h"

namespace pelko::os {

// Full path of the running program's file.
Text ExecutablePath();
// The whole file; false when it is missing or unreadable.
bool ReadWholeFile(const Text& path, std::string& out);
// Writes a temporary file in the same folder, flushes it and renames it over
// `path`, so the file is either the old one or the new one, never half of it.
bool ReplaceFile(const Text& path, std::string_view data);
// Identity of the file's current content for caches: false when missing.
struct FileStamp {
    uint64_t size = 0, mtimeNs = 0, inode = 0;
    bool operator==(const FileStamp&) const = default;
};
bool StatFile(const Text& path, FileStamp& out);

// An exclusive lock on a file of its own (created when missing, never
// removed), taken without waiting.  The system drops it when the handle is
// released or the process ends, however it ends, so a killed holder leaves
// no stale lock.  Busy: another handle holds it, in this process or another.
// Unavailable: the file can be neither created nor opened.
enum class LockResult { Held, Busy, Unavailable };
using LockHandle = intptr_t;
LockResult LockFileExclusive(const Text& path, LockHandle& out);
void UnlockFile(LockHandle handle);

}  // namespace pelko::os
