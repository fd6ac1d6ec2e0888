#pragma once

// The system's millisecond tick counter and pausing the calling thread.
// The counter is 32 bits wide and wraps to 0 after about 49.7 days, so tick
// values are compared through differences, never by size alone. Tests can
// replace the counter to show the wrap.

#include "platform/rtl/Types.h"

/// Milliseconds since the system started, modulo 2^32.
[[nodiscard]] DWORD GetTickCount();

/// Replaces the counter behind GetTickCount; nullptr restores the system
/// counter. Returns the source in force before. For tests.
using TickSource = DWORD (*)();
TickSource SetTickSource(TickSource Source);

/// Pauses the calling thread for at least Milliseconds; 0 only yields.
void Sleep(DWORD Milliseconds);
