#pragma once
// The fuzz targets' assertion: a broken property ends the run as a crash, which libFuzzer
// reports with the input that caused it, in optimised builds too.
#include <cstdlib>

inline void fuzzCheck(bool condition) {
    if (!condition)
        std::abort();
}
