#pragma once
// A document: what the views show. It takes part in command routing after
// its view.

#include <string>
#include <vector>

#include "framework/CmdTarget.h"

class CView;

class CDocument : public CCmdTarget {
    DECLARE_MESSAGE_MAP()

public:
    std::string m_strTitle;
    std::string m_strPathName;
    std::vector<CView*> m_viewList;

    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const char* path);
    virtual bool OnSaveDocument(const char* path);
    virtual void DeleteContents() {}
    void SetTitle(const std::string& title) { m_strTitle = title; }
    void AddView(CView* view) { m_viewList.push_back(view); }
    void RemoveView(CView* view);

    void OnFileSave();
};
