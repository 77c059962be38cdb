// URL decomposition and the cut operations used on header lines.
// Every operation reads its arguments without changing them.
#pragma once

#include "textutil/text.h"

namespace pelko {

// The host, lower-cased: everything between the first scheme prefix and the
// next "/" (a query glued to the host stays in it).  A URL without
// "http://" is read as plain HTTP.  `levels`, when given at all, keeps only
// the last labels of the host instead.
Text UrlHost(const Text& url, Opt<bool> domainOnly = {}, Opt<bool> keepPort = {}, Opt<int> levels = {});
// The port written in the URL, else 443 for https and 80 otherwise.
int UrlPort(const Text& url);
// Path, query and fragment in the URL's own letter case; "/" when there is none.
Text UrlPath(const Text& url);

// Lines without a colon are dropped; each hyphen-separated word of a name
// gets its first letter upper-cased; values and spacing stay as they were.
Text NormaliseHeaderBlock(const Text& block);
Text CapitaliseFirst(const Text& text);

// "#引号" in either marker stands for one double quote.
Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker, Opt<int> startPos = {},
                 Opt<bool> ignoreCase = {});
// A negative startPos searches backwards: -1 for the last occurrence.
Text TextBefore(const Text& text, const Text& marker, Opt<int> startPos = {}, Opt<bool> ignoreCase = {});
Text TextAfterColon(const Text& text);

}  // namespace pelko
