#pragma once
// The single-document template: one document, one frame with one view. A
// new or opened document reuses them and gives the view its initial update
// again.

#include <functional>
#include <memory>

#include <windows.h>

class CDocument;
class CFrameWnd;
class CView;

// What a frame needs to create its view.
struct CCreateContext {
    std::function<CView*()> m_newView;
    CDocument* m_pCurrentDoc = nullptr;
};

class CSingleDocTemplate {
public:
    CSingleDocTemplate(UINT resourceId, std::function<CDocument*()> newDocument,
                       std::function<CFrameWnd*()> newFrame, std::function<CView*()> newView);
    ~CSingleDocTemplate();

    UINT m_nIDResource;

    // A new document when path is null; the frame is created the first time
    // and left hidden: showing it is start-up's decision.
    CDocument* OpenDocumentFile(const char* path);
    CDocument* Document() const { return m_pDocument.get(); }
    CFrameWnd* Frame() const { return m_pFrame; }
    // The frame's window is gone: the document goes with it.
    void FrameDestroyed();

private:
    std::function<CDocument*()> m_newDocument;
    std::function<CFrameWnd*()> m_newFrame;
    std::function<CView*()> m_newView;
    std::unique_ptr<CDocument> m_pDocument;
    CFrameWnd* m_pFrame = nullptr; // owns itself
};
