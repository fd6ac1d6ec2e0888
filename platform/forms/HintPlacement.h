#pragma once

#include "platform/rtl/Types.h"

/// A hint's rectangle moved inside the desktop, its size kept: up from the
/// desktop's bottom, left from its right edge, then right and down onto its
/// left and top edges.
TRect HintRectInsideDesktop(TRect Rect);
