#pragma once
// A window and the object behind it. For our own window classes the object
// rides in the creation parameters and is attached at WM_NCCREATE; controls
// that Windows creates (in dialogs, or system classes we create ourselves)
// are subclassed and attached the same way. Messages go through the object's
// message map first, then to the window's default processing.

#include <string>

#include "framework/CmdTarget.h"

class CDataExchange;

class CWnd : public CCmdTarget {
    DECLARE_MESSAGE_MAP()

public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    operator HWND() const { return m_hWnd; }

    // The object attached to a window, or null when it has none.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Creates the window. Own classes (registered with RegisterOwnClass) get
    // the object from their first message; any other class is subclassed
    // right after creation.
    virtual bool CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                          const RECT& rect, HWND parent, UINT_PTR idOrMenu, void* param = nullptr);
    virtual bool PreCreateWindow(CREATESTRUCT& cs);
    bool SubclassWindow(HWND hWnd);
    // Called once a window has been subclassed and attached.
    virtual void PreSubclassWindow() {}
    bool SubclassDlgItem(UINT id, HWND parent);
    HWND UnsubclassWindow();
    bool DestroyWindow();

    // A window class of ours, registered once per distinct set of arguments.
    static const char* RegisterOwnClass(UINT style, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                        HICON icon = nullptr);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual bool OnWndMsg(Message& message);
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam, LRESULT& result);
    virtual bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Offers a message that this control sent its parent back to the control.
    bool OnChildNotify(UINT reflected, WPARAM wParam, LPARAM lParam, UINT code, LRESULT& result);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default processing of the message being handled.
    LRESULT Default();
    virtual BOOL PreTranslateMessage(MSG* msg);
    // After the last message: objects that own themselves delete themselves here.
    virtual void PostNcDestroy() {}

    // Data exchange between controls and members (dialogs, dialog bars).
    virtual void DoDataExchange(CDataExchange*) {}
    bool UpdateData(bool saveAndValidate = true);
    // A window made from a dialog template has just been created and attached;
    // the result is WM_INITDIALOG's.
    virtual BOOL OnDialogCreated() { return TRUE; }

    // Thin calls.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessage(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessage(m_hWnd, message, wParam, lParam);
    }
    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    BOOL UpdateWindow() const { return ::UpdateWindow(m_hWnd); }
    BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL MoveWindow(const RECT& r, BOOL repaint = TRUE) const
    {
        return ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
    }
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    void SetWindowText(const std::string& text) const { ::SetWindowTextA(m_hWnd, text.c_str()); }
    std::string GetWindowText() const;
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    UINT GetDlgCtrlID() const { return UINT(::GetDlgCtrlID(m_hWnd)); }
    DWORD GetStyle() const { return DWORD(::GetWindowLongPtr(m_hWnd, GWL_STYLE)); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) const { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }
    POINT ClientToScreen(POINT p) const
    {
        ::ClientToScreen(m_hWnd, &p);
        return p;
    }
    POINT ScreenToClient(POINT p) const
    {
        ::ScreenToClient(m_hWnd, &p);
        return p;
    }

private:
    static LRESULT CALLBACK OwnClassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT Dispatch(CWnd* wnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND hWnd);
    void Detach();
    bool ReflectToChild(HWND child, UINT reflected, WPARAM wParam, LPARAM lParam, UINT code, LRESULT& result);

    WNDPROC m_pfnSuper = nullptr; // the window's own procedure, for subclassed windows
    const Message* m_pCurrentMessage = nullptr;
    int m_nDispatchDepth = 0;  // messages of this window being handled, nested
    bool m_bDestroyed = false; // WM_NCDESTROY seen, PostNcDestroy still to come
};
