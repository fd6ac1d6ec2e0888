#pragma once

// Hang detection: a thread asks the main thread to answer through its event
// queue once a second and looks for the answer every 50 ms. When no answer
// came for FreezeTimeout seconds, the main thread is sampled (a signal makes
// it record its registers and stack into a buffer prepared beforehand, then
// it is let go) and an EFrozenApplication is reported for it like any
// exception. A timeout of 0 or less switches detection off.

#include "platform/rtl/Exceptions.h"

PRICETAGS_EXCEPTION(EFrozenApplication, Exception);

/// Starts the detector (nothing when it runs, or when the program's
/// options do not switch it on); stops it and waits for it to end.
void StartFreezeDetection();
void StopFreezeDetection();
[[nodiscard]] bool FreezeDetectionRunning();
