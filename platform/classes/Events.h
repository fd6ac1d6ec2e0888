#pragma once

// Method pointers: an object plus one of its member functions, the runtime's
// `procedure of object`. Two method pointers are equal when they hold the
// same object and the same member function, so a handler can be found and
// removed by value. An unassigned one is a no-op when called (it returns a
// value-initialised result).
//     Button->OnClick = TNotifyEvent(this, &TFormMain::ButtonClick);
//     OnChange(this);                    // nothing happens when unassigned
// A method pointer does not keep its object alive; whoever assigns it makes
// sure the object outlives the assignment, as in the runtime.

#include <cstring>
#include <type_traits>
#include <typeinfo>

class TObject;

/// The type-erased part shared by every method pointer: what the property
/// registry reads and writes (GetMethodProp) and what lists of handlers
/// compare. Data is the object, null when unassigned.
class TMethod {
public:
    TMethod() = default;

    /// The object the method is called on; null for an unassigned pointer
    /// and for a plain function.
    void* Data() const { return FData; }
    bool Assigned() const { return FThunk != nullptr; }
    /// The signature of the method (typeid of the function type); null when
    /// unassigned.
    const std::type_info* Signature() const { return FSignature; }

    friend bool operator==(const TMethod& L, const TMethod& R)
    {
        return L.FData == R.FData && L.FThunk == R.FThunk &&
               std::memcmp(L.FCode, R.FCode, sizeof L.FCode) == 0;
    }

protected:
    using Thunk = void (*)();

    void* FData = nullptr;
    /// Calls the stored member function; its real type depends on the
    /// signature and the class (one thunk per class and signature).
    Thunk FThunk = nullptr;
    const std::type_info* FSignature = nullptr;
    /// The bytes of the member-function pointer (or of a plain function
    /// pointer).
    alignas(void*) unsigned char FCode[2 * sizeof(void*)] {};
};

inline bool Assigned(const TMethod& M) { return M.Assigned(); }

template <class Sig>
class MethodPointer;

template <class R, class... A>
class MethodPointer<R(A...)> : public TMethod {
public:
    MethodPointer() = default;
    MethodPointer(std::nullptr_t) {}

    /// Method Method of object Obj. Obj may be of a class derived from the
    /// one that declares Method.
    template <class C, class Owner, class M>
        requires std::is_base_of_v<Owner, C>
    MethodPointer(C* Obj, M Owner::*Method)
    {
        using MemberPtr = M Owner::*;
        static_assert(std::is_member_function_pointer_v<MemberPtr>, "a member function is expected");
        static_assert(std::is_invocable_r_v<R, MemberPtr, Owner*, A...>, "the method does not fit the event");
        static_assert(sizeof(MemberPtr) <= sizeof(FCode), "member-function pointer too large");
        if (!Obj)
            return;
        FData = static_cast<Owner*>(Obj);
        FSignature = &typeid(R(A...));
        std::memcpy(FCode, &Method, sizeof Method);
        FThunk = reinterpret_cast<Thunk>(&CallMember<Owner, MemberPtr>);
    }

    /// A plain function (no object): Data() is null.
    MethodPointer(R (*Fn)(A...))
    {
        if (!Fn)
            return;
        FSignature = &typeid(R(A...));
        std::memcpy(FCode, &Fn, sizeof Fn);
        FThunk = reinterpret_cast<Thunk>(&CallFunction);
    }

    /// A method pointer of the same signature taken back from its
    /// type-erased form; an unassigned M gives an unassigned event. The
    /// caller checks the signature (M.Signature()) first.
    static MethodPointer FromMethod(const TMethod& M)
    {
        MethodPointer E;
        static_cast<TMethod&>(E) = M;
        return E;
    }

    explicit operator bool() const { return Assigned(); }
    /// typeid of the function type R(A...).
    static const std::type_info& SignatureType() { return typeid(R(A...)); }

    R operator()(A... Args) const
    {
        if (!FThunk)
            return R();
        return reinterpret_cast<Invoker>(FThunk)(FData, FCode, static_cast<A&&>(Args)...);
    }

private:
    using Invoker = R (*)(void*, const unsigned char*, A&&...);

    template <class Owner, class MemberPtr>
    static R CallMember(void* Data, const unsigned char* Code, A&&... Args)
    {
        MemberPtr Method;
        std::memcpy(&Method, Code, sizeof Method);
        return (static_cast<Owner*>(Data)->*Method)(static_cast<A&&>(Args)...);
    }

    static R CallFunction(void*, const unsigned char* Code, A&&... Args)
    {
        R (*Fn)(A...);
        std::memcpy(&Fn, Code, sizeof Fn);
        return Fn(static_cast<A&&>(Args)...);
    }
};

/// The event of most controls and lists: Sender is the object that raises it.
using TNotifyEvent = MethodPointer<void(TObject* Sender)>;
