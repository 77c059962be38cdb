// How a windowless run is told to end: SIGINT/SIGTERM on POSIX, the console's
// Ctrl+C, Ctrl+Break and close events on Windows.
#pragma once

#include <cstdint>

namespace pelko {

// `onStop` runs once when the stop comes, on an ordinary thread (not in a
// signal handler), while the monitor may be blocked in a request.
void InstallStopHandler(void (*onStop)() = nullptr);
bool StopRequested();
// Sleeps until `milliseconds` have passed or a stop is requested; true when
// the stop came.  Uses no processor time while it sleeps.
bool SleepUnlessStopped(int64_t milliseconds);

}  // namespace pelko
