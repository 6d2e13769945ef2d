// The one main() of plotvane_bench: every other file in bench/ only
// registers benchmarks.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
