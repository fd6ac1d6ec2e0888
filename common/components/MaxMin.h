#pragma once

// The larger and the smaller of two 32-bit integers.

#include <cstdint>

[[nodiscard]] constexpr int32_t MaxOf(int32_t A, int32_t B) { return A > B ? A : B; }
[[nodiscard]] constexpr int32_t MinOf(int32_t A, int32_t B) { return A < B ? A : B; }
