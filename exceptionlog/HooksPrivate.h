#pragma once

// What the throw hook needs of the hooks; it includes no other header, so
// the file that defines the runtime's throw entry sees no declaration of it.

[[nodiscard]] bool HooksInstalled();
/// Records a throw of Object on the calling thread (its stack from the
/// caller of the throw entry on).
void RecordThrow(const void* Object);
