#include "frame/MemoryBar.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CMemoryBar, CDialogBar)
END_MESSAGE_MAP()

bool CMemoryBar::Create(HWND parent, UINT templateId, DWORD style, UINT id)
{
    if (!CDialogBar::Create(parent, templateId, style, id))
        return false;
    m_nMemoryIndex = 0;
    UpdateData(false);
    return true;
}

void CMemoryBar::DoDataExchange(CDataExchange* pDX)
{
    DDX_CBIndex(pDX, IDC_MEMORY_COMBO, m_nMemoryIndex);
}
