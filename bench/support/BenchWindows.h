#pragma once

// The window layer for the benchmarks of windows: the application object on
// Qt's offscreen platform (like the window tests), made once for the whole
// benchmark program.

#include "platform/forms/Forms.h"

#include <cstdlib>

/// Starts the window layer unless it runs already.
inline void StartBenchWindows()
{
    static int Argc = 1;
    static char Name[] = "pricetags_bench";
    static char* Argv[] = {Name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    if (!Application)
        GuiStartup(Argc, Argv);
}
