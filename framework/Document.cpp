#include "framework/Document.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdio>

#include "framework/FrameworkIds.h"
#include "framework/Wnd.h"
#include "framework/WinApp.h"

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
    ON_COMMAND(ID_FILE_SAVE, OnFileSave)
END_MESSAGE_MAP()

bool CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    return true;
}

bool CDocument::OnOpenDocument(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    std::fclose(file);
    DeleteContents();
    m_strPathName = path;
    return true;
}

bool CDocument::OnSaveDocument(const char* path)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    const bool ok = std::fclose(file) == 0;
    if (ok)
        m_strPathName = path;
    return ok;
}

void CDocument::RemoveView(CView* view)
{
    m_viewList.erase(std::remove(m_viewList.begin(), m_viewList.end(), view), m_viewList.end());
}

// A document without a file asks where to save it.
void CDocument::OnFileSave()
{
    std::string path = m_strPathName;
    if (path.empty()) {
        char name[MAX_PATH] = {};
        snprintf(name, sizeof name, "%s", m_strTitle.c_str());
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        CWinApp* app = AfxGetApp();
        ofn.hwndOwner = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
        ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
        ofn.lpstrFile = name;
        ofn.nMaxFile = sizeof name;
        ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
        if (!GetSaveFileNameA(&ofn))
            return;
        path = name;
    }
    if (!OnSaveDocument(path.c_str()))
        AfxMessageBox("Failed to save document.", MB_OK | MB_ICONEXCLAMATION);
}
