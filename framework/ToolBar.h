#pragma once
// A toolbar of buttons from a bitmap of equal images and a button list
// resource; its buttons take their enable state from the command handlers,
// and the pointer resting on one shows the command's prompt.

#include <vector>

#include "framework/ControlBar.h"

#include <commctrl.h>
#include "framework/FrameworkIds.h"

class CToolBar : public CControlBar {
    DECLARE_MESSAGE_MAP()

public:
    bool CreateEx(HWND parent, DWORD ctrlStyle = TBSTYLE_FLAT,
                  DWORD style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, RECT borders = {0, 0, 0, 0},
                  UINT id = AFX_IDW_TOOLBAR);
    // Bitmap and button list of one resource id; false when either is missing.
    bool LoadToolBar(UINT id);
    int GetCount() const { return int(SendMessage(TB_BUTTONCOUNT)); }
    UINT GetItemID(int index) const;
    SIZE GetButtonsSize() const;

    int LayoutHeight(int width) override;
    void OnUpdateCmdUI(CFrameWnd* target, bool disableIfNoHandler) override;

protected:
    bool OnHotItemChange(NMHDR* header, LRESULT& result);
};
