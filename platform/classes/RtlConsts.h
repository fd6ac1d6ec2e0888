#pragma once

// System texts of the class library shared by several units, defined
// once. Each is a Format pattern.

inline constexpr char SListIndexError[] = "List index out of bounds (%d)";
inline constexpr char SFCreateError[] = "Cannot create file %s";
