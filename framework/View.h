#pragma once
// A view: the window that shows a document in the frame's client area.
// Commands reach it first, then its document.

#include "framework/Wnd.h"

class CDocument;

class CView : public CWnd {
    DECLARE_MESSAGE_MAP()

public:
    CDocument* m_pDocument = nullptr;

    CDocument* GetDocument() const { return m_pDocument; }
    // The view's window, a visible bordered child of the frame.
    virtual bool Create(HWND parent, UINT id);
    // Once the document exists (again, after a new or opened document).
    virtual void OnInitialUpdate() {}
    bool OnCmdMsg(UINT id, CCmdUI* pUpdate, bool probeOnly = false) override;
    // Views belong to their window and go with it.
    void PostNcDestroy() override;

protected:
    virtual const char* ViewClassName();
};
