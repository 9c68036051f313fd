#pragma once
// The enable and check state of one command where the user sees it: a menu
// item or a toolbar button. Update handlers set it; nobody handling it means
// the command has no handler.

#include <windows.h>

#include <string>

class CCmdTarget;

class CCmdUI {
public:
    UINT m_nID = 0;
    HMENU m_hMenu = nullptr; // the popup holding the item, for menu items
    UINT m_nIndex = 0;       // the item's position in it
    HWND m_hToolBar = nullptr; // the toolbar, for buttons
    bool m_bEnableChanged = false;

    virtual ~CCmdUI() = default;
    virtual void Enable(bool on = true);
    virtual void SetCheck(int check = 1);
    // A menu item's text (a button keeps its picture).
    virtual void SetText(const std::string& text);

    // Routes the update through target; when nothing handles it, the item
    // is enabled only if some target handles the command itself.
    void DoUpdate(CCmdTarget* target, bool disableIfNoHandler);
};
