#pragma once

// The library's two extra screen cursors: a pointing hand and a dragging
// hand, registered in the screen's cursor table by ylConstInitialization.

#include "platform/forms/Controls.h"

constexpr TCursor crHandCursor = 14000;
constexpr TCursor crDragCursor = 14001;

/// Registers crHandCursor ("YL_HANDCUR") and crDragCursor ("YL_DRAGCUR")
/// with the screen; nothing is unregistered. Needs the application object.
void ylConstInitialization();
