#pragma once

// What the fuzz targets that need the window system share: the offscreen
// window system started once per process, and the leak checker told that
// the font configuration library keeps its caches for the process's life.
// Included by one source file of each target.

#include "platform/forms/Forms.h"

#include <cstdlib>

/// Starts the window system on the offscreen platform the first time.
inline void StartGuiOnce(const char* TargetName)
{
    static bool Started = [TargetName] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int Argc = 1;
        static char* Argv[] = {const_cast<char*>(TargetName), nullptr};
        GuiStartup(Argc, Argv);
        return true;
    }();
    (void)Started;
}

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}
