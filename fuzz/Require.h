#pragma once

// A broken promise stops the target with a trap: libFuzzer reports it as a crash, with the
// input and the stack of the failed check.
inline void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}
