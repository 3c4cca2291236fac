#include <windows.h>

#include "ui/LauncherApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CLauncherApp app;
    app.InitInstance();
    return 0;
}
