#pragma once

// A scope without the log hook, for tests that raise the program's errors
// and must write no log file.

#include "common/base/Funcs.h"

/// Clears gLogHook for the scope and puts the old hook back at its end,
/// also when the test fails by an exception.
class NoLogScope {
public:
    NoLogScope() : FOld(gLogHook) { gLogHook = nullptr; }
    ~NoLogScope() { gLogHook = FOld; }
    NoLogScope(const NoLogScope&) = delete;
    NoLogScope& operator=(const NoLogScope&) = delete;

private:
    TLogHook FOld;
};
