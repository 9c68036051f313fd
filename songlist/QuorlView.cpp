#include "songlist/QuorlView.h"

#include <cderr.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame/MainFrame.h"
#include "frame/SplashWindow.h"
#include "frame/WinAppProfile.h"
#include "dialogs/ConversionDlg.h"
#include "dialogs/FillDlg.h"
#include "dialogs/SyncDlg.h"
#include "framework/CmdUI.h"
#include "framework/WinApp.h"
#include "link/DeviceLink.h"
#include "playlist/Playlist.h"
#include "playlist/PlaylistText.h"
#include "res/resource.h"
#include "commands/FileSongName.h"
#include "commands/PlanText.h"
#include "commands/PlannedFill.h"
#include "commands/PlannedSync.h"
#include "commands/PlannedUpload.h"
#include "commands/SongListContent.h"
#include "commands/UploadOptionsProfile.h"
#include "files/FileSize.h"
#include "files/Folders.h"
#include "storage/songs/DownloadFileName.h"
#include "storage/UserInterface.h"

namespace {

struct ColumnSetup {
    int format;
    int width; // also the least a fill fits the column to
};
// By column index: Name, No., Size, Duration, Format, Bitrate, Rate, Date.
const ColumnSetup kColumns[kSongColumns] = {{LVCFMT_LEFT, 90},  {LVCFMT_RIGHT, 30}, {LVCFMT_RIGHT, 70},
                                            {LVCFMT_RIGHT, 60}, {LVCFMT_LEFT, 90},  {LVCFMT_RIGHT, 60},
                                            {LVCFMT_RIGHT, 60}, {LVCFMT_LEFT, 120}};

// What the list adds to a text's width: its margins on either side.
constexpr int kTextMargin = 12;
constexpr int kRightMargin = kTextMargin / 2;
// What a heading adds to its text's width: its margins and the divider.
constexpr int kHeaderMargin = 12;

const char* const kUploadTitle = "Select file for uploading to Rio";
const char* const kSettingsSection = "Settings";
const char* const kVerifyEntry = "VerifyUpload";
const char* const kSyncListEntry = "SyncList";
const char* const kDownloadFolderEntry = "DownloadFolder";
const char* const kDownloadTitle = "Download song from Rio";
const char* const kSyncTitle = "Choose the playlist or the folder whose songs Rio is to hold, in its order:";
const char* const kFillSourceEntry = "FillSource";
const char* const kFillOrderEntry = "FillOrder";
const char* const kFillKeepEntry = "FillKeep";
const char* const kFillTitle = "Choose the folder (or playlist) of music to fill Rio from:";
const char* const kNotAList = "Choose a playlist (.m3u, .m3u8, .pls, .xspf) or a folder.";
const char* const kPlanNotShown = "The sync's plan could not be shown, so nothing was changed.";
// What FFmpeg's libraries, as the programs link them, read, and lists of
// them; MP3s first.
const char kUploadFilter[] =
    "Audio files and playlists\0*.mp3;*.mp2;*.mpg;*.mpa;*.flac;*.ogg;*.oga;*.opus;*.m4a;*.mp4;*.aac;*.wma;*.wav;*.aif;"
    "*.aiff;*.aifc;*.m3u;*.m3u8;*.pls;*.xspf\0"
    "MP3 Audio (*.mp3,*.mpg,*.wav)\0*.mp3;*.mpg;*.wav\0Playlists (*.m3u,*.m3u8,*.pls,*.xspf)\0*.m3u;*.m3u8;*.pls;*.xspf\0"
    "All Files (*.*)\0*.*\0";
// Room for many names chosen at once.
constexpr size_t kChosenFilesBuffer = 64 * 1024;

// The dialog's buffer: one path, or the folder and then each name, every
// one ended by a NUL and the list by another.
std::vector<std::string> ChosenFiles(const char* buffer)
{
    std::vector<std::string> names;
    for (const char* at = buffer; *at; at += names.back().size() + 1)
        names.push_back(at);
    if (names.size() < 2)
        return names;
    std::string folder = names.front();
    if (folder.back() != '\\')
        folder += '\\';
    std::vector<std::string> paths;
    for (size_t i = 1; i < names.size(); ++i)
        paths.push_back(folder + names[i]);
    return paths;
}

std::string PathOf(LPCITEMIDLIST item)
{
    char path[MAX_PATH] = {};
    return item && SHGetPathFromIDListA(item, path) ? std::string(path) : std::string();
}

// The chooser starts at the last list, and takes only a folder or a playlist.
int CALLBACK OnSyncChooserEvent(HWND chooser, UINT message, LPARAM lParam, LPARAM data)
{
    // Posted: Wine fills the tree only after this notification returns.
    if (message == BFFM_INITIALIZED && data)
        ::PostMessageA(chooser, BFFM_SETSELECTIONA, TRUE, data);
    if (message == BFFM_SELCHANGED) {
        const std::string path = PathOf(reinterpret_cast<LPCITEMIDLIST>(lParam));
        ::SendMessageA(chooser, BFFM_ENABLEOK, 0, !path.empty() && (IsFolder(path.c_str()) || IsPlaylistPath(path)));
    }
    return 0;
}

// The shell's chooser, with files shown, exists from Windows 98 and 2000
// on; empty when the user cancels. Its old style needs no COM of ours, and
// the shell's allocator frees what it returns (no OLE32 on the import list).
std::string ChooseSyncList(HWND owner, const std::string& last, const char* title)
{
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.lpszTitle = title;
    // Which items OK takes is the callback's to say: the system's own rule
    // for files (BIF_RETURNONLYFSDIRS) refuses a playlist on some systems.
    browse.ulFlags = BIF_BROWSEINCLUDEFILES;
    browse.lpfn = &OnSyncChooserEvent;
    browse.lParam = last.empty() ? 0 : reinterpret_cast<LPARAM>(last.c_str());
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    const std::string path = PathOf(chosen);
    IMalloc* shellMemory = nullptr;
    if (chosen && SUCCEEDED(SHGetMalloc(&shellMemory))) {
        shellMemory->Free(chosen);
        shellMemory->Release();
    }
    return path;
}

// Text for a menu item: an ampersand of a song's name shown as itself, and
// a long name cut so that the menu stays narrow.
std::string MenuText(std::string text)
{
    constexpr size_t kLongest = 60;
    if (text.size() > kLongest)
        text = CutAtCharacter(text, kLongest - 3) + "...";
    std::string escaped;
    for (char c : text)
        escaped += c == '&' ? std::string("&&") : std::string(1, c);
    return escaped;
}

std::string DroppedPath(HDROP drop, UINT index)
{
    // The path's own length, so that a long path is not cut to another name.
    const UINT length = DragQueryFileA(drop, index, nullptr, 0);
    std::vector<char> path(size_t(length) + 1, '\0');
    DragQueryFileA(drop, index, path.data(), length + 1);
    return path.data();
}

}

BEGIN_MESSAGE_MAP(CQuorlView, CListView)
    ON_NOTIFY_REFLECT(LVN_COLUMNCLICK, OnColumnClick)
    ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
    ON_COMMAND(ID_REFRESH_DIRECTORY, OnRefreshDirectory)
    ON_COMMAND(ID_INITIALIZE_RIO, OnInitializeRio)
    ON_COMMAND(ID_UPLOAD_FILE, OnUploadFile)
    ON_COMMAND(ID_REMOVE_FILE, OnRemoveFile)
    ON_COMMAND(ID_DOWNLOAD_FILE, OnDownloadFile)
    ON_UPDATE_COMMAND_UI(ID_REMOVE_FILE, OnUpdateRemoveFile)
    ON_UPDATE_COMMAND_UI(ID_DOWNLOAD_FILE, OnUpdateDownloadFile)
    ON_COMMAND(ID_EDIT_UNDO, OnEditUndo)
    ON_UPDATE_COMMAND_UI(ID_EDIT_UNDO, OnUpdateEditUndo)
    ON_COMMAND(ID_RESCUE_SONGS, OnRescueSongs)
    ON_COMMAND(ID_VERIFY_UPLOAD, OnVerifyUpload)
    ON_UPDATE_COMMAND_UI(ID_VERIFY_UPLOAD, OnUpdateVerifyUpload)
    ON_COMMAND(ID_CONVERSION, OnConversion)
    ON_COMMAND(ID_SYNC_PLAYLIST, OnSyncPlaylist)
    ON_COMMAND(ID_FILL_FOLDER, OnFillFolder)
    ON_WM_DROPFILES()
    ON_NOTIFY_REFLECT(LVN_BEGINLABELEDITA, OnBeginLabelEdit)
    ON_NOTIFY_REFLECT(LVN_BEGINLABELEDITW, OnBeginLabelEdit)
    ON_NOTIFY_REFLECT(LVN_ENDLABELEDITA, OnEndLabelEdit)
    ON_NOTIFY_REFLECT(LVN_ENDLABELEDITW, OnEndLabelEdit)
    ON_NOTIFY_REFLECT(LVN_BEGINDRAG, OnBeginDrag)
    MM_MSG(WM_MOUSEMOVE, Mouse, OnDragMouseMove)
    MM_MSG(WM_LBUTTONUP, Mouse, OnDragButtonUp)
    ON_WM_CAPTURECHANGED()
    ON_WM_CANCELMODE()
    ON_WM_KEYDOWN()
    ON_WM_SETFOCUS()
END_MESSAGE_MAP()

CQuorlView::CQuorlView() : m_commands(g_deviceLink, *this) {}

// Report view, one selected row at most, the selection visible without the
// focus, and names editable in place.
bool CQuorlView::PreCreateWindow(CREATESTRUCT& cs)
{
    cs.style &= ~LONG(LVS_SMALLICON);
    cs.style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_EDITLABELS;
    return CListView::PreCreateWindow(cs);
}

void CQuorlView::InsertColumns()
{
    CListCtrl& list = GetListCtrl();
    for (int column = 0; column < kSongColumns; ++column)
        list.InsertColumn(column, kSongColumnHeaders[size_t(column)], kColumns[column].format,
                          kColumns[column].width);
    list.SetColumnOrderArray(kSongColumns, kSongColumnDisplayOrder.data());
}

// A new or opened document runs this again; the columns are made once.
void CQuorlView::OnInitialUpdate()
{
    CListView::OnInitialUpdate();
    DragAcceptFiles(m_hWnd, TRUE);
    // A selected song is highlighted across its row, as in the file lists users know.
    SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    if (CWinApp* app = AfxGetApp())
        g_deviceLink.SetVerifyUploads(app->GetProfileString(kSettingsSection, kVerifyEntry) == "1");
    if (GetListCtrl().GetColumnCount() == 0)
        InsertColumns();
    FillSongList();
    CloseSplashIfAny();
}

int CQuorlView::FillSongList()
{
    CListCtrl& list = GetListCtrl();
    list.DeleteAllItems();
    const bool read = ReloadDirectory(g_deviceLink) != 0;
    SongListContent content = BuildSongListContent(g_deviceLink.m_image, g_deviceLink.Ui().Names());
    if (!read)
        content.panes = UnreadPanes();
    for (size_t row = 0; row < content.rows.size(); ++row) {
        const int item = list.InsertItem(int(row), content.rows[row][kColumnName]);
        for (int column = 1; column < kSongColumns; ++column)
            list.SetItemText(item, column, content.rows[row][size_t(column)]);
    }
    FitColumns(content);
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd)
        if (CProgressStatusBar* bar = GetMainStatusBar())
            for (int pane = 1; pane <= 4; ++pane)
                bar->SetPaneString(content.panes[size_t(pane - 1)], pane);
    // After the load's own message about the damage: what is wrong, and the
    // offer to rescue the songs (whose rescue fills the list again).
    if (g_deviceLink.DirectoryDamaged() && !m_bOfferingRescue) {
        m_bOfferingRescue = true;
        CloseSplashIfAny();
        m_commands.OfferRescue();
        m_bOfferingRescue = false;
    }
    return 1;
}

// Every column as wide as its widest text with the list's margins, and
// never narrower than it starts; each width is set once, from the texts.
void CQuorlView::FitColumns(const SongListContent& content)
{
    CListCtrl& list = GetListCtrl();
    for (int column = 0; column < kSongColumns; ++column) {
        // The heading too: with large fonts it outgrows the usual width.
        int width = std::max(kColumns[column].width,
                             list.GetStringWidth(kSongColumnHeaders[size_t(column)]) + kHeaderMargin);
        for (const auto& row : content.rows)
            width = std::max(width, list.GetStringWidth(row[size_t(column)]) + kTextMargin);
        if (list.GetColumnWidth(column) != width)
            list.SetColumnWidth(column, width);
    }
}

// The list clips a right-aligned text to its label, and a text whose glyphs
// reach past their advance (under Wine, a size with two commas) loses its
// last pixel there. These cells are drawn here, with the same font, colour
// and margin, and no clip.
bool CQuorlView::OnCustomDraw(NMHDR* header, LRESULT& result)
{
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    result = CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        result = CDRF_NOTIFYITEMDRAW;
    } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        result = CDRF_NOTIFYSUBITEMDRAW;
    } else if (draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM) && draw->iSubItem > 0 &&
               draw->iSubItem < kSongColumns && kColumns[draw->iSubItem].format == LVCFMT_RIGHT) {
        CListCtrl& list = GetListCtrl();
        const int item = int(draw->nmcd.dwItemSpec);
        RECT cell = {};
        if (list.GetSubItemRect(item, draw->iSubItem, LVIR_LABEL, &cell)) {
            const std::string text = list.GetItemText(item, draw->iSubItem);
            // The whole row shows the selection, these cells too: the
            // highlight while the list has the focus, grey without it.
            COLORREF textColour = draw->clrText;
            if (list.GetItemState(item, LVIS_SELECTED) & LVIS_SELECTED) {
                const bool focused = ::GetFocus() == m_hWnd;
                FillRect(draw->nmcd.hdc, &cell, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
                textColour = GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
            }
            cell.right -= kRightMargin;
            SetTextColor(draw->nmcd.hdc, textColour);
            SetBkMode(draw->nmcd.hdc, TRANSPARENT);
            DrawTextA(draw->nmcd.hdc, text.c_str(), int(text.size()), &cell,
                      DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_END_ELLIPSIS);
            result = CDRF_SKIPDEFAULT;
        }
    }
    return true;
}

bool CQuorlView::OnColumnClick(NMHDR* header, LRESULT& result)
{
    const auto* click = reinterpret_cast<NMLISTVIEW*>(header);
    GetListCtrl().SetColumnWidth(click->iSubItem, LVSCW_AUTOSIZE);
    result = 0;
    return true;
}

void CQuorlView::OnRefreshDirectory()
{
    FillSongList();
}

void CQuorlView::OnInitializeRio()
{
    m_commands.InitializePlayer(true);
}

void CQuorlView::OnUploadFile()
{
    std::vector<char> buffer(kChosenFilesBuffer, '\0');
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetAncestor(m_hWnd, GA_ROOT);
    dialog.lpstrFilter = kUploadFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = DWORD(buffer.size());
    dialog.lpstrTitle = kUploadTitle;
    // The extension a typed name without one gets (only three letters are used).
    dialog.lpstrDefExt = "mp3";
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_EXPLORER;
    if (!GetOpenFileNameA(&dialog)) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            AfxMessageBox("Too many files were chosen at once: choose fewer, or drop them on the list.", MB_OK);
        return;
    }
    UploadItems(ChosenFiles(buffer.data()));
}

void CQuorlView::UploadItems(const std::vector<std::string>& items)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    WinAppProfile profile(*app);
    SetClosingLine(UploadAsPlanned(g_deviceLink, m_commands, items, LoadUploadOptions(profile), SystemPlaylistText()));
}

void CQuorlView::SetClosingLine(const std::string& closing)
{
    if (closing.empty())
        return;
    CWinApp* app = AfxGetApp();
    if (auto* frame = app ? dynamic_cast<CFrameWnd*>(app->m_pMainWnd) : nullptr)
        frame->SetIdleText(closing);
    else if (CProgressStatusBar* bar = GetMainStatusBar())
        bar->SetPaneString(closing, 0);
}

std::string CQuorlView::ChooseList(const char* entry, const char* title)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return std::string();
    const std::string list =
        ChooseSyncList(GetAncestor(m_hWnd, GA_ROOT), app->GetProfileString(kSettingsSection, entry), title);
    if (list.empty())
        return list;
    if (!IsFolder(list.c_str()) && !IsPlaylistPath(list)) {
        AfxMessageBox(kNotAList, MB_OK);
        return std::string();
    }
    app->WriteProfileString(kSettingsSection, entry, list.c_str());
    return list;
}

void CQuorlView::OnSyncPlaylist()
{
    const std::string list = ChooseList(kSyncListEntry, kSyncTitle);
    if (!list.empty())
        SyncWith(list);
}

void CQuorlView::SyncWith(const std::string& list)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    WinAppProfile profile(*app);
    SyncPlan plan;
    std::vector<std::string> notes;
    if (!PlanSyncWith(g_deviceLink, list, LoadUploadOptions(profile), SystemPlaylistText(), &plan, &notes))
        return;
    if (!plan.Changes()) {
        g_deviceLink.Ui().ShowMessage(NothingToSyncText(plan));
        return;
    }
    CSyncDlg dialog(SyncPlanPageOf(plan, notes), plan.Fits());
    const INT_PTR answer = dialog.DoModal();
    if (answer == IDOK)
        SetClosingLine(SyncAsPlanned(g_deviceLink, m_commands, plan));
    else if (answer == -1)
        g_deviceLink.Ui().ShowMessage(kPlanNotShown);
}

void CQuorlView::OnFillFolder()
{
    CWinApp* app = AfxGetApp();
    const std::string source = ChooseList(kFillSourceEntry, kFillTitle);
    if (!app || source.empty())
        return;
    FillChoices choices;
    const int order = std::atoi(app->GetProfileString(kSettingsSection, kFillOrderEntry).c_str());
    choices.order = order >= 0 && order <= int(FillOrder::Albums) ? FillOrder(order) : FillOrder::Random;
    choices.keep = app->GetProfileString(kSettingsSection, kFillKeepEntry) == "1";
    CFillDlg chooser(source, choices);
    if (chooser.DoModal() != IDOK)
        return;
    app->WriteProfileString(kSettingsSection, kFillOrderEntry, std::to_string(int(chooser.m_choices.order)).c_str());
    app->WriteProfileString(kSettingsSection, kFillKeepEntry, chooser.m_choices.keep ? "1" : "0");
    FillFrom(source, chooser.m_choices);
}

void CQuorlView::FillFrom(const std::string& source, const FillChoices& choices)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    WinAppProfile profile(*app);
    FillPlan plan;
    std::string problem;
    if (!PlanFill(g_deviceLink, {source}, choices, LoadUploadOptions(profile), SystemPlaylistText(), &plan, &problem)) {
        // A line of the tool's made a sentence; a message of its own stays as it is.
        const bool sentence = !problem.empty() && problem.back() == '.';
        g_deviceLink.Ui().ShowMessage(sentence ? problem : Capitalized(problem) + ".");
        return;
    }
    if (!plan.sync.Changes()) {
        g_deviceLink.Ui().ShowMessage("Rio holds those songs already.");
        return;
    }
    CSyncDlg dialog(SyncPlanPageOf(plan.sync, plan.notes, "Fill: " + FillCounts(plan)), true);
    const INT_PTR answer = dialog.AsFill().DoModal();
    if (answer == -1)
        g_deviceLink.Ui().ShowMessage(kPlanNotShown);
    if (answer != IDOK)
        return;
    bool saved = false;
    SetClosingLine(SyncAsPlanned(g_deviceLink, m_commands, plan.sync, "filled", &saved));
    if (saved && !RememberFill(g_deviceLink, plan, &problem))
        g_deviceLink.Ui().ShowMessage("The next fills may bring these songs again: this PC could not note them (" +
                                      problem + ").");
}

void CQuorlView::OnConversion()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    WinAppProfile profile(*app);
    CConversionDlg dialog(LoadUploadOptions(profile));
    if (dialog.DoModal() == IDOK)
        SaveUploadOptions(profile, dialog.m_options);
}

int CQuorlView::SelectedRow()
{
    CListCtrl& list = GetListCtrl();
    if (list.GetSelectedCount() == 0)
        return -2;
    const int row = list.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0)
        AfxMessageBox(kInternalError, MB_OK);
    return row < 0 ? -1 : row;
}

void CQuorlView::OnRemoveFile()
{
    const int row = SelectedRow();
    if (row >= 0)
        m_commands.RemoveSongAt(row, true);
}

// A Save As box names the file and its folder, starting at the last folder
// a song went to; the download itself asks before it writes over a file.
void CQuorlView::OnDownloadFile()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    CWinApp* app = AfxGetApp();
    const std::string last = app ? app->GetProfileString(kSettingsSection, kDownloadFolderEntry) : std::string();
    std::vector<char> file(MAX_PATH * 2, '\0');
    const std::string suggested = DownloadFileName(GetListCtrl().GetItemText(row, kColumnName), row + 1);
    suggested.copy(file.data(), file.size() - 1);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetAncestor(m_hWnd, GA_ROOT);
    dialog.lpstrFilter = "MP3 Audio (*.mp3)\0*.mp3\0All Files (*.*)\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = DWORD(file.size());
    dialog.lpstrInitialDir = last.empty() ? nullptr : last.c_str();
    dialog.lpstrTitle = kDownloadTitle;
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetSaveFileNameA(&dialog)) {
        if (CommDlgExtendedError() != 0)
            AfxMessageBox("The box to choose where the song goes could not be shown, so nothing was downloaded.", MB_OK);
        return;
    }
    DownloadTo(file.data());
}

void CQuorlView::DownloadTo(const std::string& path)
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::string folder = ParentFolder(path);
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileString(kSettingsSection, kDownloadFolderEntry, folder.c_str());
    std::string written;
    if (m_commands.DownloadSongAt(row, folder, DeviceLink::BaseName(path), &written))
        SetClosingLine("Downloaded to " + written);
}

void CQuorlView::OnUpdateRemoveFile(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(GetListCtrl().GetSelectedCount() > 0);
}

void CQuorlView::OnUpdateDownloadFile(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(GetListCtrl().GetSelectedCount() > 0);
}

void CQuorlView::OnEditUndo()
{
    std::string undone;
    if (m_commands.UndoLastChange(false, &undone))
        SetClosingLine("Undone: " + undone + ".");
}

// Reads this PC's copies, not the player: cheap enough when the menu opens.
// The item names what it would take back.
void CQuorlView::OnUpdateEditUndo(CCmdUI* pCmdUI)
{
    std::string description;
    const bool can = m_commands.CanUndo(&description);
    pCmdUI->Enable(can);
    pCmdUI->SetText(can ? "&Undo " + MenuText(description) + "\tCtrl+Z" : std::string("&Undo\tCtrl+Z"));
}

void CQuorlView::OnRescueSongs()
{
    m_commands.RescueSongs(true);
}

void CQuorlView::OnVerifyUpload()
{
    const bool on = !g_deviceLink.VerifyUploads();
    g_deviceLink.SetVerifyUploads(on);
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileString(kSettingsSection, kVerifyEntry, on ? "1" : "0");
}

void CQuorlView::OnUpdateVerifyUpload(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(g_deviceLink.VerifyUploads() ? 1 : 0);
}

void CQuorlView::OnDropFiles(HDROP drop)
{
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> paths;
    for (UINT i = 0; i < count; ++i)
        paths.push_back(DroppedPath(drop, i));
    DragFinish(drop);
    if (paths.empty())
        return;
    SetForegroundWindow(m_hWnd);
    UploadItems(paths);
}

bool CQuorlView::OnBeginLabelEdit(NMHDR*, LRESULT& result)
{
    result = 0;
    return true;
}

// A cancelled edit counts as empty text; an empty name is refused.
bool CQuorlView::OnEndLabelEdit(NMHDR* header, LRESULT& result)
{
    std::string text;
    int row = -1;
    if (header->code == LVN_ENDLABELEDITA) {
        const auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
        row = info->item.iItem;
        if (info->item.pszText)
            text = info->item.pszText;
    } else {
        const auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        row = info->item.iItem;
        // The window's text is the code page: what it lacks becomes '?'.
        if (const wchar_t* typed = info->item.pszText) {
            const int length = WideCharToMultiByte(CP_ACP, 0, typed, -1, nullptr, 0, nullptr, nullptr);
            std::vector<char> narrow(size_t(length > 0 ? length : 1), '\0');
            WideCharToMultiByte(CP_ACP, 0, typed, -1, narrow.data(), int(narrow.size()), nullptr, nullptr);
            text = narrow.data();
        }
    }
    result = m_commands.RenameSong(row, text) ? 1 : 0;
    return true;
}

bool CQuorlView::OnBeginDrag(NMHDR* header, LRESULT& result)
{
    const auto* drag = reinterpret_cast<NMLISTVIEW*>(header);
    m_nDragRow = drag->iItem;
    POINT upperLeft = {0, 0};
    m_pDragImageList = std::make_unique<CImageList>(GetListCtrl().CreateDragImage(m_nDragRow, &upperLeft));
    m_pDragImageList->BeginDrag(0, POINT{8, 8});
    CImageList::DragEnter(GetDesktopWindow(), ClientToScreen(drag->ptAction));
    m_bDragActive = 1;
    m_nDropRow = -1;
    m_pDropTarget = this;
    SetCapture(m_hWnd);
    result = 0;
    return true;
}

// The default processing follows in every case.
bool CQuorlView::OnDragMouseMove(UINT, POINT point)
{
    if (!m_bDragActive)
        return false;
    const POINT screen = ClientToScreen(point);
    m_ptLastDrag = screen;
    CImageList::DragMove(screen);
    CImageList::DragShowNolock(false);
    HWND under = WindowFromPoint(screen);
    m_pDropTarget = CWnd::FromHandlePermanent(under);
    ::ScreenToClient(under, &m_ptLastDrag);
    CImageList::DragShowNolock(true);
    return false;
}

// The drag ends before the capture goes, so that the WM_CAPTURECHANGED it
// brings finds no drag to end.
bool CQuorlView::EndDrag()
{
    if (!m_bDragActive)
        return false;
    m_bDragActive = 0;
    if (GetCapture() == m_hWnd)
        ReleaseCapture();
    CImageList::DragLeave(GetDesktopWindow());
    CImageList::EndDrag();
    m_pDragImageList.reset();
    return true;
}

bool CQuorlView::OnDragButtonUp(UINT, POINT point)
{
    if (!EndDrag())
        return false;
    m_pDropTarget = CWnd::FromHandlePermanent(WindowFromPoint(ClientToScreen(point)));
    // Only the list itself takes a drop: not its header, not another window.
    if (dynamic_cast<CQuorlView*>(m_pDropTarget))
        MoveDraggedEntry();
    return false;
}

bool CQuorlView::OnCaptureChanged(HWND gaining)
{
    if (gaining != m_hWnd)
        EndDrag();
    return false;
}

bool CQuorlView::OnCancelMode()
{
    EndDrag();
    return false;
}

// With the focus, a row has it too, so that the arrow keys, Home and End
// choose a song at once; the list's own handling follows.
bool CQuorlView::OnSetFocus(HWND)
{
    CListCtrl& list = GetListCtrl();
    if (list.GetItemCount() > 0 && list.GetNextItem(-1, LVNI_FOCUSED) < 0) {
        const int selected = list.GetNextItem(-1, LVNI_SELECTED);
        list.SetItemState(selected < 0 ? 0 : selected, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    return false;
}

// The keys of the file lists users know, on the selected song: Delete
// removes it (asking first, as the menu does), F2 edits its name in place,
// Ctrl+Up and Ctrl+Down move it one place (saved, and undone, as a drag).
bool CQuorlView::OnKeyDown(UINT key, UINT, UINT)
{
    if (key == VK_ESCAPE)
        return EndDrag();
    CListCtrl& list = GetListCtrl();
    const int row = list.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0)
        return false;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    if (key == VK_DELETE && !control) {
        m_commands.RemoveSongAt(row, true);
        return true;
    }
    if (key == VK_F2 && !control) {
        list.EditLabel(row);
        return true;
    }
    if ((key == VK_UP || key == VK_DOWN) && control) {
        const int to = key == VK_UP ? row - 1 : row + 1;
        if (to >= 0 && to < list.GetItemCount() && m_commands.MoveSong(row, to))
            list.SetItemState(to, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        return true;
    }
    return false;
}

// Rows of a report list are all as tall as row 0.
int CQuorlView::RowAtY(int y)
{
    CListCtrl& list = GetListCtrl();
    RECT first = {};
    if (!list.GetItemRect(0, &first, LVIR_BOUNDS) || y < first.top || first.bottom <= first.top)
        return -1;
    const int row = (y - first.top) / (first.bottom - first.top);
    return row < list.GetItemCount() ? row : -1;
}

// The row under the point 5 pixels below the cursor decides where the song
// goes; the move itself is the song commands'. The row is found from y alone:
// a hit test needs an x on a row's name, and scrolled sideways the list may
// show no name at all.
void CQuorlView::MoveDraggedEntry()
{
    CListCtrl& list = GetListCtrl();
    POINT first = {0, 0};
    list.GetItemPosition(0, &first);
    const int y = m_ptLastDrag.y + 5;
    m_ptLastDrag = {first.x, y};
    m_nDropRow = RowAtY(y);
    if (m_nDropRow == -1)
        m_nDropRow = first.y > y ? 0 : list.GetItemCount();
    m_commands.MoveSong(m_nDragRow, SongCommands::DropSlot(m_nDropRow));
}
