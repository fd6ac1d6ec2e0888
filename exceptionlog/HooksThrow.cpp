// The throw hook. It stands apart from the rest of the hooks because it
// defines the runtime's own entry under the runtime's own name: the
// program's calls to it bind here first, and the real one is found behind
// it with the dynamic loader. No runtime header that declares it may be
// included in this file.

#include "exceptionlog/HooksPrivate.h"

#include <dlfcn.h>

#include <typeinfo>

#ifndef PRICETAGS_NO_INTERPOSITION

namespace {

using ThrowFunction = void (*)(void*, std::type_info*, void (*)(void*));

ThrowFunction RealThrow()
{
    static const auto Real = reinterpret_cast<ThrowFunction>(dlsym(RTLD_NEXT, "__cxa_throw"));
    return Real;
}

}  // namespace

extern "C" [[noreturn]] [[gnu::noinline]] void __cxa_throw(void* Object, std::type_info* Type,
                                                          void (*Destructor)(void*))
{
    if (HooksInstalled())
        RecordThrow(Object);
    RealThrow()(Object, Type, Destructor);
    __builtin_unreachable();
}

#endif
