// Screen-like pictures and frame-to-frame edits for tests; the generator is
// shared with the benchmarks and lives in Bench/support/.
#pragma once

#include "../../Bench/support/ScreenContent.h"
