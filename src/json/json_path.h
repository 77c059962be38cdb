// Member expressions such as da.data.rows[3].title, read without a script.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelko::json {

struct PathStep {
    std::string key;  // UTF-8; an index is its decimal text
};

struct ParsedPath {
    std::string head;  // the first name, in the path's own bytes
    std::vector<PathStep> steps;
};

// False for anything but a name followed by .name, [integer] or ["name"] /
// ['name'] steps (blanks allowed between them).  Names are code page 936.
bool ParsePath(std::string_view path, ParsedPath& out);

// The array index a key names ("0", "17"), or -1.
long long ArrayIndexOf(const std::string& key);

}  // namespace pelko::json
