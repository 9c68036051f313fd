#include "framework/View.h"

#include "framework/Document.h"

BEGIN_MESSAGE_MAP(CView, CWnd)
END_MESSAGE_MAP()

const char* CView::ViewClassName()
{
    return RegisterOwnClass(CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
}

bool CView::Create(HWND parent, UINT id)
{
    const RECT none = {0, 0, 0, 0};
    return CreateEx(0, ViewClassName(), "", WS_CHILD | WS_VISIBLE | WS_BORDER, none, parent, id);
}

bool CView::OnCmdMsg(UINT id, CCmdUI* pUpdate, bool probeOnly)
{
    if (CWnd::OnCmdMsg(id, pUpdate, probeOnly))
        return true;
    return m_pDocument && m_pDocument->OnCmdMsg(id, pUpdate, probeOnly);
}

void CView::PostNcDestroy()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
    delete this;
}
