#pragma once

// System texts of the runtime shared by several units, defined once. Each
// is a Format pattern.

inline constexpr char SInvalidOp[] = "Invalid floating point operation";
inline constexpr char SInvalidFloat[] = "'%s' is not a valid floating point value";
inline constexpr char SOutOfMemory[] = "Out of memory";
