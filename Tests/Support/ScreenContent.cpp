// The benchmarks' screen-content generator, built into the test support
// library as well (one copy of the code).
#include "../../Bench/support/ScreenContent.cpp"
