#include "framework/StatusBar.h"

#include <commctrl.h>

#include "framework/ResourceText.h"

namespace {
constexpr int kPaneGap = 6; // room for a pane's sunken border
}

BEGIN_MESSAGE_MAP(CStatusBar, CControlBar)
    ON_WM_SIZE()
END_MESSAGE_MAP()

bool CStatusBar::Create(HWND parent, DWORD style, UINT id, DWORD controlStyle)
{
    const DWORD windowStyle = TakeBarStyle(style, parent) | SBARS_SIZEGRIP | controlStyle;
    const RECT none = {0, 0, 0, 0};
    return CreateEx(0, STATUSCLASSNAMEA, "", windowStyle, none, parent, id);
}

bool CStatusBar::SetIndicators(const UINT* ids, int count)
{
    m_panes.clear();
    for (int i = 0; i < count; ++i) {
        Pane pane = {ids[i], i == 0 ? SBPS_STRETCH : SBPS_NORMAL, 0, std::string()};
        if (ids[i] != ID_SEPARATOR)
            pane.text = LoadResourceString(ids[i]);
        m_panes.push_back(pane);
    }
    ApplyParts();
    return true;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width)
{
    if (index < 0 || index >= GetCount())
        return;
    m_panes[size_t(index)].id = id;
    m_panes[size_t(index)].style = style;
    m_panes[size_t(index)].width = width;
    ApplyParts();
}

void CStatusBar::GetPaneInfo(int index, UINT& id, UINT& style, int& width) const
{
    id = style = 0;
    width = 0;
    if (index < 0 || index >= GetCount())
        return;
    id = m_panes[size_t(index)].id;
    style = m_panes[size_t(index)].style;
    width = m_panes[size_t(index)].width;
}

bool CStatusBar::SetPaneText(int index, const std::string& text, bool update)
{
    if (index < 0 || index >= GetCount())
        return false;
    m_panes[size_t(index)].text = text;
    if (update)
        ShowText(index);
    return true;
}

std::string CStatusBar::GetPaneText(int index) const
{
    return index >= 0 && index < GetCount() ? m_panes[size_t(index)].text : std::string();
}

RECT CStatusBar::GetItemRect(int index) const
{
    RECT r = {};
    SendMessage(SB_GETRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r));
    return r;
}

void CStatusBar::ShowText(int index)
{
    if (!m_hWnd)
        return;
    const Pane& pane = m_panes[size_t(index)];
    WPARAM kind = WPARAM(index);
    if (pane.style & SBPS_NOBORDERS)
        kind |= SBT_NOBORDERS;
    if (pane.style & SBPS_POPOUT)
        kind |= SBT_POPOUT;
    SendMessage(SB_SETTEXTA, kind, reinterpret_cast<LPARAM>(pane.text.c_str()));
}

// The control draws its size grip over whatever pane reaches the right
// edge; the panes end before it.
int CStatusBar::GripWidth() const
{
    return (GetStyle() & SBARS_SIZEGRIP) ? GetSystemMetrics(SM_CXVSCROLL) + 2 : 0;
}

// The stretching pane gets what the fixed panes and the grip leave of the
// bar's width.
void CStatusBar::ApplyParts()
{
    if (!m_hWnd || m_panes.empty())
        return;
    const int total = GetClientRect().right - GripWidth();
    int fixed = 0;
    for (const Pane& pane : m_panes)
        if (!(pane.style & SBPS_STRETCH))
            fixed += pane.width + kPaneGap;
    std::vector<int> edges;
    int right = 0;
    for (const Pane& pane : m_panes) {
        const int width = (pane.style & SBPS_STRETCH) ? total - fixed : pane.width + kPaneGap;
        right += width > 0 ? width : 0;
        edges.push_back(right);
    }
    SendMessage(SB_SETPARTS, WPARAM(edges.size()), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < GetCount(); ++i)
        ShowText(i);
}

void CStatusBar::OnSize(UINT, int, int)
{
    Default();
    ApplyParts();
}

int CStatusBar::LayoutHeight(int width)
{
    // The control sizes itself to its parent when it is told of a size change.
    SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, 0));
    return CControlBar::LayoutHeight(width);
}
