// INI files, read and written the way the Windows private-profile functions
// do it: names matched without regard to ASCII case, values trimmed of blanks
// and of one pair of enclosing quotes, everything else kept byte for byte.
#pragma once

#include <vector>

#include "textutil/text.h"

namespace pelko {

// At most 10239 bytes are returned.
Text ReadIniValue(const Text& file, const Text& section, const Text& key, Opt<Text> defaultValue = {});
// An omitted key removes the section, an omitted value removes the key.
bool WriteIniValue(const Text& file, const Text& section, Opt<Text> key = {}, Opt<Text> value = {});

struct IniWrite {
    Text section, key, value;
};
// Several values in one replacement of the file.
bool WriteIniValues(const Text& file, const std::vector<IniWrite>& writes);
// Writes and removals in one replacement: an omitted key removes the
// section, an omitted value removes the key, as WriteIniValue does.
struct IniEdit {
    Text section;
    Opt<Text> key, value;
};
bool EditIniValues(const Text& file, const std::vector<IniEdit>& edits);

}  // namespace pelko
