#pragma once
// The application object: start-up, the message loop with pre-translation
// and idle updates, the application title, the profile in the registry, the
// application message box and the main window.

#include <memory>
#include <string>

#include "framework/CmdTarget.h"

class CWnd;
class CSingleDocTemplate;

class CWinApp : public CCmdTarget {
    DECLARE_MESSAGE_MAP()

public:
    // The name comes from string 57344 when none is given.
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    std::string m_strAppName;
    std::string m_strRegistryKey;
    CWnd* m_pMainWnd = nullptr;
    std::string m_strCommandLine;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    // Runs until WM_QUIT; the exit code.
    virtual int Run();
    // One message through pre-translation and dispatch; false on WM_QUIT.
    bool PumpMessage();
    // Work for an empty queue; true asks for more calls.
    virtual bool OnIdle(long count);
    // Offers a message to the windows it is aimed at, innermost first, up to
    // its top-level window; true when one of them took it.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // Profile values under HKEY_CURRENT_USER\Software\<key>\<application name>\<section>.
    void SetRegistryKey(const char* key);
    std::string GetProfileString(const char* section, const char* entry, const char* defaultValue = "");
    bool WriteProfileString(const char* section, const char* entry, const char* value);

    // The application message box: caption the application title, owner the
    // main window when there is one.
    int DoMessageBox(const std::string& text, UINT type);

    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);
    CSingleDocTemplate* DocTemplate() const { return m_pDocTemplate.get(); }
    // The standard processing of the command line: no arguments make a new
    // document, a file name opens it. False when that fails.
    bool ProcessShellCommand();

    void OnFileNew();
    void OnFileOpen();
    void OnAppExit();

private:
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    CWinApp* m_pPreviousApp; // one made while another lives (a test) hands back to it
};

CWinApp* AfxGetApp();
// The application message box.
int AfxMessageBox(const std::string& text, UINT type = MB_OK);
