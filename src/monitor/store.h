// The reports already pushed, kept in the file StorePath() names: one
// section per shop, one key per report id, the reporter as value.
#pragma once

#include "monitor/feed.h"

namespace pelko {

// Where a report is filed; reports without a shop or an id get stand-ins.
Text StoreSection(const FeedItem& item);
Text StoreKey(const FeedItem& item);

// True when the report's key exists and holds its current reporter.
bool IsReported(const FeedItem& item);
// Recorded at once for IsReported; written to the file by FlushReported,
// which the pass calls after each keyword, so a large store is rewritten
// once per keyword instead of once per report.
void MarkReported(const FeedItem& item);
bool FlushReported();

}  // namespace pelko
