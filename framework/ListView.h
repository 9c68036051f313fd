#pragma once
// A view that is a list-view control.

#include "framework/ListCtrl.h"
#include "framework/View.h"

class CListView : public CView {
    DECLARE_MESSAGE_MAP()

public:
    // The control under the view's window.
    CListCtrl& GetListCtrl() { return m_listCtrl; }
    bool Create(HWND parent, UINT id) override;

protected:
    const char* ViewClassName() override { return WC_LISTVIEWA; }

private:
    CListCtrl m_listCtrl; // the same window, not attached a second time
};
