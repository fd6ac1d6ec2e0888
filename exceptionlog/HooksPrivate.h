#pragma once

// What the throw hook needs of the hooks; it includes no other header, so
// the file that defines the runtime's throw entry sees no declaration of it.

[[nodiscard]] bool HooksInstalled();
/// Records a throw of Object on the calling thread (its stack from the
/// caller of the throw entry on).
void RecordThrow(const void* Object);

// A sanitizer linked statically into the program (clang's) intercepts the
// throw entry and thread creation under their own names with weak
// definitions; ours would silently replace its interceptors. Such builds
// (the fuzz targets) go without both hooks.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PRICETAGS_NO_INTERPOSITION 1
#endif
#endif
