#pragma once
// A static text turned into a link: underlined text in a link colour, a
// hand cursor and a tooltip with its target; a click or the space bar hands
// the target to the shell, and the program registered for web pages is the
// fallback.

#include <string>

#include "framework/Static.h"

// What opens a link; the window program asks Windows, tests watch.
class LinkShell {
public:
    virtual ~LinkShell() = default;
    // ShellExecute's result: above 32 on success.
    virtual int ShellOpen(const std::string& target, int showCommand) = 0;
    // WinExec's result: above 31 on success.
    virtual int RunCommandLine(const std::string& commandLine, int showCommand) = 0;
};

class CHyperLink : public CStatic {
    DECLARE_MESSAGE_MAP()

public:
    enum : DWORD {
        LinkUnderline = 0x01,
        LinkPointerColour = 0x02,
        LinkFitText = 0x04,
        LinkOpenOnPress = 0x08,
        LinkFocusOnClick = 0x10,
        LinkNoDefaultCursor = 0x20,
        LinkNoEngagedColour = 0x40,
    };

    ~CHyperLink() override;

    BOOL m_bEngaged = 0;
    BOOL m_bPointerOver = 0;
    BOOL m_bWasVisited = 0;
    DWORD m_nLinkFlags = LinkUnderline | LinkFitText | LinkFocusOnClick;
    std::string m_sTarget;
    HFONT m_underlineFont = nullptr;
    CWnd m_tip;

    static COLORREF s_crNormal;
    static COLORREF s_crEngaged;
    static COLORREF s_crVisited;
    static COLORREF s_crPointer;
    static HCURSOR s_hLinkCursor;
    static LinkShell* s_pShell; // null: Windows itself

    void SetTarget(const std::string& target);
    void SetLinkText(const std::string& text);
    int ChangeLinkFlags(DWORD remove, DWORD add, BOOL apply);
    void FitToText();
    void OpenTarget();
    static void LoadLinkCursor();
    static int LaunchTarget(const std::string& target, int showCommand);
    static long ReadClassesValue(HKEY root, const std::string& keyName, std::string& value);
    static void ShowLaunchError(int code);

    BOOL PreTranslateMessage(MSG* msg) override;
    void PreSubclassWindow() override;

protected:
    HBRUSH CtlColor(HDC dc, UINT kind);
    bool OnSetCursor(HWND hWnd, UINT hitTest, UINT message);
    void OnMouseMove(UINT flags, POINT point);
    bool OnLButtonUp(UINT flags, POINT point);
    void OnSetFocus(HWND previous);
    void OnKillFocus(HWND next);
    bool OnKeyDown(UINT key, UINT repeat, UINT flags);
    LRESULT OnNcHitTest(WPARAM, LPARAM);
    void OnLButtonDown(UINT flags, POINT point);

private:
    COLORREF TextColour() const;
    void SetTipText(const std::string& text);
};
