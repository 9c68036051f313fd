#include "framework/Wnd.h"

#include <exception>
#include <map>
#include <tuple>

namespace {
// The property that links a window to its object.
const char* const kObjectProperty = "Mellifon.CWnd";
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::~CWnd()
{
    // Only the object the window knows as its own may let it go.
    if (!m_hWnd || FromHandlePermanent(m_hWnd) != this)
        return;
    if (m_pfnSuper)
        UnsubclassWindow();
    else
        DestroyWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd ? static_cast<CWnd*>(GetPropA(hWnd, kObjectProperty)) : nullptr;
}

void CWnd::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    SetPropA(hWnd, kObjectProperty, this);
}

void CWnd::Detach()
{
    if (m_hWnd)
        RemovePropA(m_hWnd, kObjectProperty);
    m_hWnd = nullptr;
}

const char* CWnd::RegisterOwnClass(UINT style, HCURSOR cursor, HBRUSH background, HICON icon)
{
    static std::map<std::tuple<UINT, HCURSOR, HBRUSH, HICON>, std::string> s_classes;
    const auto key = std::make_tuple(style, cursor, background, icon);
    auto found = s_classes.find(key);
    if (found != s_classes.end())
        return found->second.c_str();
    std::string name = "Mellifon:" + std::to_string(s_classes.size());
    WNDCLASSA wc = {};
    wc.style = style;
    wc.lpfnWndProc = &CWnd::OwnClassProc;
    wc.hInstance = GetModuleHandle(nullptr);
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name.c_str();
    if (!RegisterClassA(&wc))
        return nullptr;
    return s_classes.emplace(key, name).first->second.c_str();
}

bool CWnd::PreCreateWindow(CREATESTRUCT&)
{
    return true;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    const RECT& rect, HWND parent, UINT_PTR idOrMenu, void* param)
{
    CREATESTRUCT cs = {};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = windowName;
    cs.style = LONG(style);
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.left == CW_USEDEFAULT ? CW_USEDEFAULT : rect.right - rect.left;
    cs.cy = rect.left == CW_USEDEFAULT ? CW_USEDEFAULT : rect.bottom - rect.top;
    cs.hwndParent = parent;
    cs.hMenu = reinterpret_cast<HMENU>(idOrMenu);
    cs.hInstance = GetModuleHandle(nullptr);
    cs.lpCreateParams = param;
    if (!PreCreateWindow(cs))
        return false;

    WNDCLASSA info = {};
    const bool own = GetClassInfoA(cs.hInstance, cs.lpszClass, &info) && info.lpfnWndProc == &CWnd::OwnClassProc;
    HWND hWnd = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, DWORD(cs.style), cs.x, cs.y, cs.cx,
                                cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, own ? this : cs.lpCreateParams);
    if (!hWnd)
        return false;
    return own ? m_hWnd == hWnd : SubclassWindow(hWnd);
}

bool CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return false;
    Attach(hWnd);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    if (!m_pfnSuper)
        return false;
    PreSubclassWindow();
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, HWND parent)
{
    return SubclassWindow(::GetDlgItem(parent, int(id)));
}

HWND CWnd::UnsubclassWindow()
{
    HWND hWnd = m_hWnd;
    if (hWnd && m_pfnSuper)
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    Detach();
    return hWnd;
}

bool CWnd::DestroyWindow()
{
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

RECT CWnd::GetClientRect() const
{
    RECT r = {};
    ::GetClientRect(m_hWnd, &r);
    return r;
}

RECT CWnd::GetWindowRect() const
{
    RECT r = {};
    ::GetWindowRect(m_hWnd, &r);
    return r;
}

std::string CWnd::GetWindowText() const
{
    const int length = ::GetWindowTextLengthA(m_hWnd);
    std::string text(size_t(length) + 1, '\0');
    text.resize(size_t(::GetWindowTextA(m_hWnd, text.data(), length + 1)));
    return text;
}

LRESULT CALLBACK CWnd::OwnClassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hWnd);
    if (!wnd && message == WM_NCCREATE) {
        wnd = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCT*>(lParam)->lpCreateParams);
        if (wnd)
            wnd->Attach(hWnd);
    }
    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) have no object yet.
    if (!wnd)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    return Dispatch(wnd, hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hWnd);
    if (!wnd)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    return Dispatch(wnd, hWnd, message, wParam, lParam);
}

// No exception may cross into Windows: a handler that throws gets the
// default processing for its message.
LRESULT CWnd::Dispatch(CWnd* wnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    ++wnd->m_nDispatchDepth;
    try {
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (const std::exception&) {
        result = wnd->DefWindowProc(message, wParam, lParam);
    }
    --wnd->m_nDispatchDepth;
    if (message == WM_NCDESTROY) {
        // The link is cut after the last message.
        if (wnd->m_pfnSuper)
            SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_pfnSuper));
        wnd->m_pfnSuper = nullptr;
        wnd->Detach();
        wnd->m_bDestroyed = true;
    }
    // An object that owns itself may delete itself in PostNcDestroy: only
    // once no message of its own is being handled further up the stack.
    if (wnd->m_bDestroyed && wnd->m_nDispatchDepth == 0) {
        wnd->m_bDestroyed = false;
        wnd->PostNcDestroy();
    }
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    Message m = {message, wParam, lParam, 0};
    const Message* outer = m_pCurrentMessage;
    m_pCurrentMessage = &m;
    const bool handled = OnWndMsg(m);
    m_pCurrentMessage = outer;
    return handled ? m.result : DefWindowProc(message, wParam, lParam);
}

bool CWnd::OnWndMsg(Message& m)
{
    switch (m.message) {
    case WM_COMMAND:
        return OnCommand(m.wParam, m.lParam, m.result);
    case WM_NOTIFY:
        return OnNotify(m.wParam, m.lParam, m.result);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (ReflectToChild(reinterpret_cast<HWND>(m.lParam), kReflectCtlColor, m.wParam,
                           LPARAM(m.message - WM_CTLCOLORMSGBOX), 0, m.result))
            return true;
        break;
    default:
        break;
    }
    return DispatchToMap(m, 0, 0);
}

bool CWnd::ReflectToChild(HWND child, UINT reflected, WPARAM wParam, LPARAM lParam, UINT code,
                          LRESULT& result)
{
    CWnd* control = FromHandlePermanent(child);
    return control && control != this && control->OnChildNotify(reflected, wParam, lParam, code, result);
}

bool CWnd::OnChildNotify(UINT reflected, WPARAM wParam, LPARAM lParam, UINT code, LRESULT& result)
{
    Message m = {reflected, wParam, lParam, 0};
    if (!DispatchToMap(m, code, 0))
        return false;
    result = m.result;
    return true;
}

// Menu items, accelerators and buttons (notification codes 0 and 1) are
// commands; other notifications from a control go back to the control first.
bool CWnd::OnCommand(WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    if (control && ReflectToChild(control, kReflectCommand, wParam, lParam, code, result))
        return true;
    if (code == 0 || code == 1 || !control) {
        result = 0;
        return OnCmdMsg(id, nullptr);
    }
    return false;
}

bool CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT& result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (ReflectToChild(header->hwndFrom, kReflectNotify, 0, lParam, header->code, result))
        return true;
    Message m = {WM_NOTIFY, 0, lParam, 0};
    if (!DispatchToMap(m, header->code, UINT(header->idFrom)))
        return false;
    result = m.result;
    return true;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    if (!m_pCurrentMessage)
        return 0;
    const Message m = *m_pCurrentMessage;
    return DefWindowProc(m.message, m.wParam, m.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}
