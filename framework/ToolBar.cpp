#include "framework/ToolBar.h"

#include <commctrl.h>

#include <cstring>

#include "framework/CmdUI.h"
#include "framework/FrameWnd.h"

BEGIN_MESSAGE_MAP(CToolBar, CControlBar)
    ON_NOTIFY_REFLECT(TBN_HOTITEMCHANGE, OnHotItemChange)
END_MESSAGE_MAP()

bool CToolBar::CreateEx(HWND parent, DWORD ctrlStyle, DWORD style, RECT borders, UINT id)
{
    // Tooltips exist from the start; the bar style decides whether they say anything.
    const DWORD windowStyle = TakeBarStyle(style, parent) | ctrlStyle | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                              CCS_NORESIZE | CCS_NOPARENTALIGN;
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEA, "", windowStyle, borders, parent, id))
        return false;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    // Notifications go to the frame even after a rebar has adopted the bar.
    SendMessage(TB_SETPARENT, reinterpret_cast<WPARAM>(parent));
    return true;
}

// The button list: version, image width, image height, count, then one
// command id a button (0 for a separator), all 16-bit.
bool CToolBar::LoadToolBar(UINT id)
{
    HINSTANCE instance = GetModuleHandle(nullptr);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCE(id), MAKEINTRESOURCE(RT_TOOLBAR_LIST));
    if (!found || !FindResourceA(instance, MAKEINTRESOURCE(id), MAKEINTRESOURCE(2) /* RT_BITMAP */))
        return false;
    const DWORD size = SizeofResource(instance, found);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
    if (!data || size < 8)
        return false;
    WORD header[4];
    std::memcpy(header, data, sizeof header);
    const WORD width = header[1], height = header[2], count = header[3];
    if (header[0] != 1 || size < 8u + 2u * count)
        return false;

    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(width + 7, height + 6));
    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (WORD i = 0; i < count; ++i) {
        WORD command;
        std::memcpy(&command, data + 8 + 2 * i, 2);
        TBBUTTON button = {};
        button.idCommand = command;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = command ? BTNS_BUTTON : BTNS_SEP;
        button.iBitmap = command ? image++ : 0;
        buttons.push_back(button);
    }
    TBADDBITMAP bitmap = {instance, UINT_PTR(id)};
    if (SendMessage(TB_ADDBITMAP, WPARAM(image), reinterpret_cast<LPARAM>(&bitmap)) < 0)
        return false;
    if (!SendMessage(TB_ADDBUTTONS, WPARAM(buttons.size()), reinterpret_cast<LPARAM>(buttons.data())))
        return false;
    SendMessage(TB_AUTOSIZE);
    const SIZE sizeNeeded = GetButtonsSize();
    SetWindowPos(m_hWnd, nullptr, 0, 0, sizeNeeded.cx, sizeNeeded.cy, SWP_NOMOVE | SWP_NOZORDER);
    return true;
}

UINT CToolBar::GetItemID(int index) const
{
    TBBUTTON button = {};
    SendMessage(TB_GETBUTTON, WPARAM(index), reinterpret_cast<LPARAM>(&button));
    return UINT(button.idCommand);
}

SIZE CToolBar::GetButtonsSize() const
{
    SIZE size = {0, 0};
    SendMessage(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    return size;
}

int CToolBar::LayoutHeight(int)
{
    return GetButtonsSize().cy;
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target, bool disableIfNoHandler)
{
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        const UINT id = GetItemID(i);
        if (id == 0)
            continue;
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_hToolBar = m_hWnd;
        ui.DoUpdate(target, disableIfNoHandler);
    }
}

bool CToolBar::OnHotItemChange(NMHDR* header, LRESULT& result)
{
    const auto* hot = reinterpret_cast<NMTBHOTITEM*>(header);
    if ((m_dwStyle & CBRS_FLYBY) && m_pFrame)
        m_pFrame->SetFlyByCommand((hot->dwFlags & HICF_LEAVING) || hot->idNew <= 0 ? 0 : UINT(hot->idNew));
    result = 0;
    return true;
}
