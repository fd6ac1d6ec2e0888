#pragma once

// Component streams as byte vectors for the tests: writing a root, reading
// one back, and assembling expected bytes by hand.

#include "platform/classes/Component.h"
#include "platform/classes/Filer.h"
#include "platform/classes/Streams.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace component_streams {

using Bytes = std::vector<uint8_t>;

/// Root written with its children (only what differs from Ancestor when
/// given).
inline Bytes Write(TComponent* Root, TComponent* Ancestor = nullptr)
{
    TMemoryStream S;
    TWriter W(&S);
    W.WriteDescendent(Root, Ancestor);
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return Bytes(P, P + S.Size());
}

/// Data read into Root.
inline void Read(const Bytes& Data, TComponent* Root)
{
    MemoryBlockStream S(Data.data(), Data.size());
    TReader R(&S);
    R.ReadRootComponent(Root);
}

/// A short string: its length byte, then its bytes.
inline Bytes Short(const std::string& S)
{
    Bytes R(S.size() + 1);
    R[0] = static_cast<uint8_t>(S.size());
    std::copy(S.begin(), S.end(), R.begin() + 1);
    return R;
}

inline Bytes Concat(std::initializer_list<Bytes> Parts)
{
    Bytes R;
    for (const Bytes& P : Parts)
        R.insert(R.end(), P.begin(), P.end());
    return R;
}

/// The signature every component stream starts with.
inline Bytes Signature()
{
    return {'T', 'P', 'F', '0'};
}

} // namespace component_streams
