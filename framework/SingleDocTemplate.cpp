#include "framework/SingleDocTemplate.h"

#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/ResourceText.h"
#include "framework/WinApp.h"

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, std::function<CDocument*()> newDocument,
                                       std::function<CFrameWnd*()> newFrame, std::function<CView*()> newView)
    : m_nIDResource(resourceId), m_newDocument(std::move(newDocument)), m_newFrame(std::move(newFrame)),
      m_newView(std::move(newView))
{
}

CSingleDocTemplate::~CSingleDocTemplate() = default;

CDocument* CSingleDocTemplate::OpenDocumentFile(const char* path)
{
    if (!m_pDocument) {
        m_pDocument.reset(m_newDocument());
        CFrameWnd* frame = m_newFrame();
        CCreateContext context{m_newView, m_pDocument.get()};
        if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
            // A frame that never got a window still owns itself.
            if (!frame->m_hWnd)
                delete frame;
            m_pDocument.reset();
            return nullptr;
        }
        m_pFrame = frame;
        frame->m_pTemplate = this;
        if (CWinApp* app = AfxGetApp(); app && !app->m_pMainWnd)
            app->m_pMainWnd = frame;
    }
    const bool ready = path ? m_pDocument->OnOpenDocument(path) : m_pDocument->OnNewDocument();
    if (!ready)
        return nullptr;
    // The document's name: the new-document name of the template string, or "Untitled".
    std::string title = ResourceStringField(m_nIDResource, 1);
    if (path) {
        title = path;
        const size_t cut = title.find_last_of("\\/:");
        if (cut != std::string::npos)
            title.erase(0, cut + 1);
    }
    m_pDocument->SetTitle(title.empty() ? "Untitled" : title);
    m_pFrame->InitialUpdateFrame(m_pDocument.get(), false);
    return m_pDocument.get();
}

void CSingleDocTemplate::FrameDestroyed()
{
    m_pFrame = nullptr;
    m_pDocument.reset();
}
