// The monitor loop: start/stop, one pass over the keywords, the pause.
#pragma once

#include "monitor/observer.h"
#include "monitor/window.h"
#include "textutil/text.h"

namespace pelko {

// Click handler of 按钮_开始监控; runs the loop itself while monitoring and
// tells `observer` about every pass and every new report.
void ToggleMonitoring(Window& window, PassObserver& observer = NoObserver());
PassSummary RunMonitorPass(Window& window, const Text& keywordText, const Text& scanCount, const Text& separator,
                           PassObserver& observer = NoObserver());
TextArray SplitKeywords(const Text& keywordText, const Text& separator);
// unit: 0 ms, 1 s, 2 min, 3 h; any other value is itself the milliseconds per unit.
bool WaitWithEvents(Window& window, int32_t count, int64_t unit);

}  // namespace pelko
