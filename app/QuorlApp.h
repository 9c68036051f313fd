#pragma once
// The application object and its start-up: the splash, port access, the
// port search, then the window set with the song list filled from the player.

#include <memory>

#include "dialogs/WindowUserInterface.h"
#include "framework/WinApp.h"
#include "storage/safety/CopyFolder.h"
#include "storage/safety/DirectoryCopies.h"

class PortSetup;

// The program's folder: its full path cut at the last backslash.
extern char g_szProgramDir[260];

extern const char* const kProfileKey;

class CQuorlApp : public CWinApp {
    DECLARE_MESSAGE_MAP()

public:
    explicit CQuorlApp(PortSetup& ports);
    ~CQuorlApp() override;

    BOOL InitInstance() override;
    void OnAppAbout();

    // Profile and question as port selection sees them.
    WindowUserInterface m_ui;

private:
    void AttachDirectoryCopies();

    PortSetup& m_ports;
    std::unique_ptr<CopyFolder> m_pCopyFolder;
    std::unique_ptr<DirectoryCopies> m_pCopies;
};
