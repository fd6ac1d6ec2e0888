#pragma once

// The lines of a string list as standard strings, so that a whole list
// compares in one expectation and a mismatch prints every line.

#include "platform/classes/Strings.h"

#include <string>
#include <vector>

using Lines = std::vector<std::string>;

/// The lines of S in order, as their CP1251 bytes.
inline Lines Of(const TStrings& S)
{
    Lines Out;
    for (int I = 0; I < S.Count(); ++I)
        Out.push_back(S.Strings(I).Std());
    return Out;
}
