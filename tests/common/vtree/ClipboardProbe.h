#pragma once

// The clipboard as the window layer shows it, for the tree's clipboard
// tests: the tree's header and the window layer's data-object header
// cannot meet in one file.

#include <string>
#include <vector>

namespace clipboard_probe {

/// The formats the clipboard's object lists.
std::vector<unsigned> Formats();
/// The bytes of a format ('' when it does not render).
std::string Render(unsigned Format);
std::string RenderNamed(const char* Name);
/// Stores Bytes under a named format on the clipboard's object.
bool Store(const char* Name, const std::string& Bytes);

}  // namespace clipboard_probe
