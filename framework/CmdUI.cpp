#include "framework/CmdUI.h"

#include <commctrl.h>

#include "framework/CmdTarget.h"

void CCmdUI::Enable(bool on)
{
    m_bEnableChanged = true;
    if (m_hMenu)
        EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
    if (m_hToolBar)
        SendMessage(m_hToolBar, TB_ENABLEBUTTON, m_nID, MAKELPARAM(on ? TRUE : FALSE, 0));
}

void CCmdUI::SetCheck(int check)
{
    if (m_hMenu)
        CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
    if (m_hToolBar)
        SendMessage(m_hToolBar, TB_CHECKBUTTON, m_nID, MAKELPARAM(check ? TRUE : FALSE, 0));
}

void CCmdUI::SetText(const std::string& text)
{
    if (!m_hMenu)
        return;
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_TYPE;
    item.fType = MFT_STRING;
    item.dwTypeData = const_cast<char*>(text.c_str());
    SetMenuItemInfoA(m_hMenu, m_nIndex, TRUE, &item);
}

void CCmdUI::DoUpdate(CCmdTarget* target, bool disableIfNoHandler)
{
    m_bEnableChanged = false;
    const bool handled = target->OnCmdMsg(m_nID, this);
    if (!handled && disableIfNoHandler && !m_bEnableChanged)
        Enable(target->OnCmdMsg(m_nID, nullptr, true));
}
