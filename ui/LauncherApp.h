#pragma once
#include "app/Startup.h"

// The application: start-up checks, then the main window until it closes.
class CLauncherApp {
public:
    // The whole start-up. Always false: the program ends when it returns.
    bool InitInstance(const StartupHooks& hooks = StartupHooks());
};
