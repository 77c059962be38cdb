// std::chrono for the whole program.  <chrono> itself does not compile with
// the code page 936 literal charset (its C++20 part holds a micro sign), but
// <thread> brings in the durations and clocks without that part.
#pragma once

#include <thread>
