#pragma once

// Reference-counted interfaces: IUnknown (AddRef/Release), the interfaced
// object that implements the count, and InterfacePtr, the holder that
// counts for its owner. An interface method that hands out an interface
// through an out parameter has already counted it for the caller
// (InterfacePtr::Attach takes it over without counting again).
//
// Interfaces derive from IUnknown virtually, so an object that implements
// several of them has one count; two pointers name the same object when
// their IUnknown pointers are equal (SameObject).

#include "platform/classes/Object.h"

#include <atomic>
#include <cstdint>
#include <utility>

using ULONG = uint32_t;

struct IUnknown {
    /// Counts one more holder; the new count.
    virtual ULONG AddRef() = 0;
    /// Counts one holder less and frees the object at 0; the new count.
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

/// Whether two interface pointers (of any interfaces) name the same object.
inline bool SameObject(IUnknown* A, IUnknown* B)
{
    return A == B || (A && B && dynamic_cast<void*>(A) == dynamic_cast<void*>(B));
}

/// An object whose lifetime follows the count of its interfaces: it starts
/// at 0 and frees itself when the last holder releases it. Create it with
/// new and hand it to a holder at once.
class TInterfacedObject : public TObject, public virtual IUnknown {
    PRICETAGS_CLASS(TInterfacedObject, TObject)
public:
    TInterfacedObject() = default;
    ~TInterfacedObject() override;

    ULONG AddRef() override { return ++FRefCount; }
    ULONG Release() override
    {
        const ULONG Count = --FRefCount;
        if (Count == 0)
            delete this;
        return Count;
    }
    ULONG RefCount() const { return FRefCount; }

private:
    std::atomic<ULONG> FRefCount {0};
};

/// Holds one count of an interface for its lifetime; null when empty.
template <class T>
class InterfacePtr {
public:
    InterfacePtr() = default;
    InterfacePtr(T* P) : FPtr(P)
    {
        if (FPtr)
            FPtr->AddRef();
    }
    InterfacePtr(const InterfacePtr& O) : InterfacePtr(O.FPtr) {}
    InterfacePtr(InterfacePtr&& O) noexcept : FPtr(std::exchange(O.FPtr, nullptr)) {}
    ~InterfacePtr()
    {
        if (FPtr)
            FPtr->Release();
    }
    InterfacePtr& operator=(InterfacePtr O) noexcept
    {
        std::swap(FPtr, O.FPtr);
        return *this;
    }

    /// Takes over a pointer already counted for the caller (an out parameter).
    static InterfacePtr Attach(T* P)
    {
        InterfacePtr R;
        R.FPtr = P;
        return R;
    }
    /// Gives up the pointer with its count (for an out parameter).
    [[nodiscard]] T* Detach() { return std::exchange(FPtr, nullptr); }

    T* Get() const { return FPtr; }
    T* operator->() const { return FPtr; }
    T& operator*() const { return *FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }

private:
    T* FPtr = nullptr;
};
