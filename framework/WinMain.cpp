// The entry point of a window program: its one application object starts
// up, then runs the message loop.

#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    app->m_strCommandLine = commandLine ? commandLine : "";
    if (!app->InitInstance()) {
        app->ExitInstance();
        return 0;
    }
    return app->Run();
}
