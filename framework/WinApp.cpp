#include "framework/WinApp.h"

#include <commdlg.h>

#include <vector>

#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/RegistryValue.h"
#include "framework/ResourceText.h"
#include "framework/SingleDocTemplate.h"

namespace {
CWinApp* s_pApp = nullptr;
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* appName) : m_pPreviousApp(s_pApp)
{
    s_pApp = this;
    m_strAppName = appName ? appName : LoadResourceString(AFX_IDS_APP_TITLE);
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
        s_pApp = m_pPreviousApp;
}

CWinApp* AfxGetApp()
{
    return s_pApp;
}

bool CWinApp::PumpMessage()
{
    MSG msg;
    if (!GetMessage(&msg, nullptr, 0, 0)) {
        PostQuitMessage(int(msg.wParam)); // for whoever runs the outer loop
        return false;
    }
    if (!PreTranslateMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return true;
}

int CWinApp::Run()
{
    long idleCount = 0;
    bool idle = true;
    for (;;) {
        MSG msg;
        while (idle && !PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                idle = false;
        }
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE))
            WaitMessage();
        if (!GetMessage(&msg, nullptr, 0, 0)) {
            ExitInstance();
            return int(msg.wParam);
        }
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        // Timers and mouse moves come often and change no command state.
        if (msg.message != WM_TIMER && msg.message != WM_MOUSEMOVE && msg.message != WM_NCMOUSEMOVE) {
            idle = true;
            idleCount = 0;
        }
    }
}

bool CWinApp::OnIdle(long count)
{
    if (count == 0) {
        if (auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd); frame && frame->m_hWnd)
            frame->OnIdleUpdateCmdUI();
    }
    return false;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    for (HWND hWnd = msg->hwnd; hWnd; hWnd = (GetWindowLongPtr(hWnd, GWL_STYLE) & WS_CHILD) ? ::GetParent(hWnd) : nullptr) {
        if (CWnd* wnd = CWnd::FromHandlePermanent(hWnd); wnd && wnd->PreTranslateMessage(msg))
            return TRUE;
    }
    return FALSE;
}

void CWinApp::SetRegistryKey(const char* key)
{
    m_strRegistryKey = key;
}

namespace {
std::string SectionPath(const std::string& key, const std::string& app, const char* section)
{
    std::string path = "Software\\";
    if (!key.empty())
        path += key + "\\";
    return path + app + "\\" + section;
}
}

std::string CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue)
{
    return ReadUserRegistryString(SectionPath(m_strRegistryKey, m_strAppName, section), entry, defaultValue);
}

bool CWinApp::WriteProfileString(const char* section, const char* entry, const char* value)
{
    return WriteUserRegistryString(SectionPath(m_strRegistryKey, m_strAppName, section), entry, value);
}

int CWinApp::DoMessageBox(const std::string& text, UINT type)
{
    HWND owner = m_pMainWnd && IsWindow(m_pMainWnd->m_hWnd) ? GetLastActivePopup(m_pMainWnd->m_hWnd) : nullptr;
    return MessageBoxA(owner, text.c_str(), m_strAppName.c_str(), type);
}

int AfxMessageBox(const std::string& text, UINT type)
{
    CWinApp* app = AfxGetApp();
    return app ? app->DoMessageBox(text, type) : MessageBoxA(nullptr, text.c_str(), "", type);
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate)
{
    m_pDocTemplate = std::move(docTemplate);
}

bool CWinApp::ProcessShellCommand()
{
    if (!m_pDocTemplate)
        return false;
    std::string path = m_strCommandLine;
    while (!path.empty() && path.front() == ' ')
        path.erase(path.begin());
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    if (path.empty() || path[0] == '/' || path[0] == '-')
        return m_pDocTemplate->OpenDocumentFile(nullptr) != nullptr;
    return m_pDocTemplate->OpenDocumentFile(path.c_str()) != nullptr;
}

void CWinApp::OnFileNew()
{
    if (m_pDocTemplate)
        m_pDocTemplate->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen()
{
    if (!m_pDocTemplate)
        return;
    char path[MAX_PATH] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&ofn))
        m_pDocTemplate->OpenDocumentFile(path);
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        m_pMainWnd->SendMessage(WM_CLOSE);
}
