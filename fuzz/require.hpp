#pragma once

#include <cstdio>
#include <cstdlib>

// A property every input must keep; a broken one is a finding like a crash.
inline void require(bool holds, const char* what) {
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}
