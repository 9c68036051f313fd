#include "app/QuorlApp.h"

#include <commctrl.h>

#include <cstring>

#include "app/AboutBox.h"
#include "frame/MainFrame.h"
#include "settings/PortSelection.h"
#include "app/PortSetup.h"
#include "frame/SplashWindow.h"
#include "frame/WinAppProfile.h"
#include "framework/FrameworkIds.h"
#include "framework/SingleDocTemplate.h"
#include "link/DeviceLink.h"
#include "res/resource.h"
#include "songlist/QuorlDoc.h"
#include "songlist/QuorlView.h"

char g_szProgramDir[260] = "";
const char* const kProfileKey = "Local AppWizard-Generated Applications";

namespace {

// A question with no owner window and no icon.
class OwnerlessQuestion : public YesNoQuestion {
public:
    bool AskYesNo(const std::string& text, const std::string& caption) override
    {
        return MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_YESNO) == IDYES;
    }
};

// Everything up to the last backslash; left empty when it would not fit.
void FillProgramDirectory()
{
    char path[32768] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path - 1);
    path[length < sizeof path ? length : sizeof path - 1] = '\0';
    char* cut = strrchr(path, '\\');
    if (cut)
        *cut = '\0';
    if (strlen(path) < sizeof g_szProgramDir)
        strcpy(g_szProgramDir, path);
}

}

BEGIN_MESSAGE_MAP(CQuorlApp, CWinApp)
    ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
    ON_COMMAND(ID_FILE_NEW, OnFileNew)
    ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
END_MESSAGE_MAP()

CQuorlApp::CQuorlApp(PortSetup& ports) : m_ports(ports) {}

// The link outlives the application object: it must not keep its copies.
CQuorlApp::~CQuorlApp()
{
    if (m_pCopies)
        g_deviceLink.AttachDirectoryCopies(nullptr);
}

BOOL CQuorlApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                                          ICC_ANIMATE_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    g_deviceLink.AttachUserInterface(&m_ui);

    g_pSplash = new CSplashWindow(IDB_SPLASH, 5000);
    g_pSplash->ShowSplash();
    FillProgramDirectory();
    SetRegistryKey(kProfileKey);
    AttachDirectoryCopies();

    m_ports.AttachPorts(g_deviceLink);
    if (!m_ports.LoadPortDriver()) {
        CloseSplashIfAny();
        return FALSE;
    }

    WinAppProfile profile(*this);
    OwnerlessQuestion question;
    PortSelection selection(profile, question, g_deviceLink);
    selection.SetSplashCloser(&CloseSplashIfAny);
    if (!selection.SelectPort()) {
        CloseSplashIfAny();
        return FALSE;
    }

    AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        IDR_MAINFRAME, [] { return new CQuorlDoc; }, [] { return new CMainFrame; },
        [] { return new CQuorlView; }));
    if (!ProcessShellCommand()) {
        CloseSplashIfAny();
        return FALSE;
    }

    // Whatever show state the program was started with.
    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    return TRUE;
}

// Copies of the directory go to the user's application data folder; without
// one, saves rely on the shadow on the player and say so once.
void CQuorlApp::AttachDirectoryCopies()
{
    std::string error;
    m_pCopyFolder = OpenCopyFolder(UserCopyFolderPath(), &error);
    if (!m_pCopyFolder) {
        g_deviceLink.SetCopyFolderProblem(error);
        return;
    }
    m_pCopies = std::make_unique<DirectoryCopies>(*m_pCopyFolder);
    g_deviceLink.AttachDirectoryCopies(m_pCopies.get());
}

void CQuorlApp::OnAppAbout()
{
    CAboutBox about;
    about.DoModal();
}
