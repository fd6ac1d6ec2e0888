#pragma once

// EnumSet: the runtime's small `set of` an enumeration, one bit per ordinal
// (ordinals 0..63). Published set properties are read and written as these
// bits, so a set's ordinal value is exactly what the runtime stored.
//     TComponentState S = {csLoading, csReading};
//     if (S.Contains(csLoading)) ...

#include <cassert>
#include <cstdint>
#include <initializer_list>

template <class E>
class EnumSet {
public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<E> Items)
    {
        for (E Item : Items)
            Include(Item);
    }
    /// The set whose ordinal bits are Bits (bit N = ordinal N).
    static constexpr EnumSet FromBits(uint64_t Bits)
    {
        EnumSet S;
        S.FBits = Bits;
        return S;
    }

    constexpr uint64_t Bits() const { return FBits; }
    constexpr bool Contains(E Item) const { return (FBits >> Bit(Item)) & 1; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr EnumSet& Include(E Item)
    {
        FBits |= uint64_t(1) << Bit(Item);
        return *this;
    }
    constexpr EnumSet& Exclude(E Item)
    {
        FBits &= ~(uint64_t(1) << Bit(Item));
        return *this;
    }

    /// Union, difference and intersection, as `+`, `-` and `*` of the runtime.
    friend constexpr EnumSet operator+(EnumSet L, EnumSet R) { return FromBits(L.FBits | R.FBits); }
    friend constexpr EnumSet operator-(EnumSet L, EnumSet R) { return FromBits(L.FBits & ~R.FBits); }
    friend constexpr EnumSet operator*(EnumSet L, EnumSet R) { return FromBits(L.FBits & R.FBits); }
    EnumSet& operator+=(EnumSet R) { return *this = *this + R; }
    EnumSet& operator-=(EnumSet R) { return *this = *this - R; }
    EnumSet& operator*=(EnumSet R) { return *this = *this * R; }
    /// True when every member of L is in R (the runtime's `<=`).
    friend constexpr bool operator<=(EnumSet L, EnumSet R) { return (L.FBits & ~R.FBits) == 0; }
    friend constexpr bool operator==(EnumSet L, EnumSet R) = default;

private:
    static constexpr unsigned Bit(E Item)
    {
        const auto Ord = static_cast<unsigned>(Item);
        assert(Ord < 64 && "set members are ordinals 0..63");
        return Ord;
    }

    uint64_t FBits = 0;
};
