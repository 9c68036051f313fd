#include "framework/ListView.h"

BEGIN_MESSAGE_MAP(CListView, CView)
END_MESSAGE_MAP()

bool CListView::Create(HWND parent, UINT id)
{
    if (!CView::Create(parent, id))
        return false;
    m_listCtrl.m_hWnd = m_hWnd;
    return true;
}
