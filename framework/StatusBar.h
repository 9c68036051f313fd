#pragma once
// The status bar: panes with ids, styles and widths; one pane may stretch
// over what the others leave.

#include <string>
#include <vector>

#include "framework/ControlBar.h"

#include <commctrl.h>
#include "framework/FrameworkIds.h"

constexpr UINT SBPS_NORMAL = 0x0000;
constexpr UINT SBPS_NOBORDERS = 0x0100;
constexpr UINT SBPS_POPOUT = 0x0200;
constexpr UINT SBPS_STRETCH = 0x0800;

class CStatusBar : public CControlBar {
    DECLARE_MESSAGE_MAP()

public:
    // `controlStyle`: the status control's own SBARS_* styles beside its size grip.
    virtual bool Create(HWND parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                        UINT id = AFX_IDW_STATUS_BAR, DWORD controlStyle = 0);
    // One pane per id; id 0 is a separator with no text of its own, any
    // other id starts with its string.
    bool SetIndicators(const UINT* ids, int count);
    void SetPaneInfo(int index, UINT id, UINT style, int width);
    void GetPaneInfo(int index, UINT& id, UINT& style, int& width) const;
    bool SetPaneText(int index, const std::string& text, bool update = true);
    std::string GetPaneText(int index) const;
    RECT GetItemRect(int index) const;
    int GetCount() const { return int(m_panes.size()); }

    int LayoutHeight(int width) override;

protected:
    void OnSize(UINT type, int cx, int cy);

private:
    struct Pane {
        UINT id;
        UINT style;
        int width;
        std::string text;
    };
    void ApplyParts();
    int GripWidth() const;
    void ShowText(int index);

    std::vector<Pane> m_panes;
};
