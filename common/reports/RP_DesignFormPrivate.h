#pragma once

// What the designer window's files share: the tool images drawn in code.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <cstdint>

class TCanvas;
class TComponent;
using TColor = int32_t;
class TImageList;

namespace design_form {

/// The window's tool images (16 x 16), owned by AOwner.
[[nodiscard]] TImageList* MakeToolImages(TComponent* AOwner);
/// Fills R in Colour.
void FillRectIn(TCanvas* C, TColor Colour, const TRect& R);
/// The image of an action or button name; -1 when it has none.
[[nodiscard]] int ToolImageOf(const AnsiString& Name);

}  // namespace design_form
