// The benchmark's modes besides the Google Benchmark cases and the peer baselines' rows.
#pragma once

namespace bench {

// keloscroll_bench scaling [n ...]: one form with n bars, per size a row of costs (scaling.cpp).
int scalingMain(int argc, char** argv);
// keloscroll_bench count <row> [n]: n operations of one row, untimed, for instruction counts.
int countMain(int argc, char** argv);

}  // namespace bench
