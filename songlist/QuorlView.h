#pragma once
// The song list: one row per directory slot, in slot order, refilled from
// the player after every change; the song commands, file drops, renaming
// in place and reordering by dragging.

#include <memory>
#include <string>
#include <vector>

#include "framework/ImageList.h"
#include "framework/ListView.h"
#include "commands/FillChoice.h"
#include "commands/SongCommands.h"
#include "commands/SongListContent.h"

class CCmdUI;

class CQuorlView : public CListView, public SongListView {
    DECLARE_MESSAGE_MAP()

public:
    CQuorlView();

    // Drag state.
    std::unique_ptr<CImageList> m_pDragImageList;
    int m_bDragActive = 0;
    int m_nDragRow = -1;
    int m_nDropRow = -1;
    CWnd* m_pDropTarget = nullptr; // the window under the cursor, when it is one of ours
    POINT m_ptLastDrag = {0, 0};   // in client coordinates of that window

    bool PreCreateWindow(CREATESTRUCT& cs) override;
    void OnInitialUpdate() override;
    int FillSongList() override;
    void MoveDraggedEntry();
    // The player made to hold the songs of a playlist or folder: the plan
    // shown first, carried out only when the user says so.
    void SyncWith(const std::string& list);
    // A fill from a folder or playlist as the menu's chooser and choices give it.
    void FillFrom(const std::string& source, const FillChoices& choices);
    // The selected song into `path`, the file the user chose; the status bar
    // says where it went.
    void DownloadTo(const std::string& path);

protected:
    bool OnColumnClick(NMHDR* header, LRESULT& result);
    bool OnCustomDraw(NMHDR* header, LRESULT& result);
    void OnRefreshDirectory();
    void OnInitializeRio();
    void OnUploadFile();
    void OnRemoveFile();
    void OnDownloadFile();
    void OnUpdateRemoveFile(CCmdUI* pCmdUI);
    void OnUpdateDownloadFile(CCmdUI* pCmdUI);
    void OnEditUndo();
    void OnUpdateEditUndo(CCmdUI* pCmdUI);
    void OnRescueSongs();
    void OnVerifyUpload();
    void OnUpdateVerifyUpload(CCmdUI* pCmdUI);
    void OnConversion();
    // A playlist or folder from the shell's chooser, starting at the one
    // the profile's `entry` remembers (and then remembering it); empty when
    // the user cancels or chooses something else.
    std::string ChooseList(const char* entry, const char* title);
    void OnSyncPlaylist();
    void OnFillFolder();
    void OnDropFiles(HDROP drop);
    bool OnBeginLabelEdit(NMHDR* header, LRESULT& result);
    bool OnEndLabelEdit(NMHDR* header, LRESULT& result);
    bool OnBeginDrag(NMHDR* header, LRESULT& result);
    bool OnDragMouseMove(UINT flags, POINT point);
    bool OnDragButtonUp(UINT flags, POINT point);
    // A drag the user gives up (the capture goes elsewhere, the system
    // cancels modes, Esc) ends with no move and no save.
    bool OnCaptureChanged(HWND gaining);
    bool OnCancelMode();
    bool OnKeyDown(UINT key, UINT repeat, UINT flags);
    bool OnSetFocus(HWND losing);

private:
    // Files chosen or dropped, through the plan of an upload; the closing
    // line goes to the status bar.
    void UploadItems(const std::vector<std::string>& items);
    // In the status bar's first pane, when there is one.
    void SetClosingLine(const std::string& closing);
    void InsertColumns();
    void FitColumns(const SongListContent& content);
    // Releases the capture and the drag image; false when no drag was running.
    bool EndDrag();
    // The row whose band holds client y, whatever the horizontal scroll; -1 for none.
    int RowAtY(int y);
    // The selected row, or -1 after saying "Internal error." when the list
    // reports a selection that cannot be found; -2 with no selection at all.
    int SelectedRow();

    SongCommands m_commands;
    bool m_bOfferingRescue = false;
};
