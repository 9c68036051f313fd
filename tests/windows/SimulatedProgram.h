#pragma once
// The program's window set (document, main frame, song list) on a simulated
// player that the test prepares, with the real dialogs and message boxes;
// and a hand that answers message boxes as they come up.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "WindowTestSupport.h"
#include "frame/MainFrame.h"
#include "dialogs/WindowUserInterface.h"
#include "simulator/FlashMemory.h"
#include "simulator/SimulatedPlayer.h"
#include "storage/safety/CopyFolder.h"
#include "storage/safety/DirectoryCopies.h"
#include "format/DirectoryImage.h"
#include "songlist/QuorlView.h"

// Answers the message boxes that open from now on, in order, with the given
// buttons (IDYES, IDNO, IDOK), noting each one's text and caption.
class MessageBoxAnswers {
public:
    explicit MessageBoxAnswers(std::vector<int> buttons);
    ~MessageBoxAnswers();
    std::vector<std::string> texts;
    std::vector<std::string> captions;
    std::function<void()> onBox; // runs when a box is found, before it is answered

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void AnswerOpenBox();
    std::vector<int> m_buttons;
    UINT_PTR m_timer;
};

// A sealed directory of one-block songs with these names, as a player would
// hold it; `claimed` songs in entryCount when that is more than the names.
std::unique_ptr<DirectoryImage> DirectoryNamed(const std::vector<std::string>& names, int claimed = -1,
                                               bool seal = true);

struct SimulatedProgram {
    // A factory-fresh player of so many 32 KiB blocks (1024: 32 MiB).
    explicit SimulatedProgram(int blocks = 1024);
    ~SimulatedProgram();

    // Stores songs on the player (with the directory saved) before the window exists.
    void StoreSongs(const std::vector<std::string>& names, size_t size = 1000);
    // Puts this directory on the player as it stands, without sealing it again.
    void WriteDirectory(const DirectoryImage& image);
    // Creates the window set; the view's first fill reads the player.
    void Open();
    void Close();

    CListCtrl& List() { return view->GetListCtrl(); }
    std::vector<std::string> RowNames();
    std::vector<std::string> NamesOnPlayer(); // read back from the player afresh
    std::string Pane(int index) { return frame->m_statusBar.GetPaneText(index); }
    int Saves();                              // directory saves since the last call
    std::string TempFile(const std::string& name, size_t size);
    // A file of MPEG-1 Layer 3 frames (417 bytes each) the player plays.
    std::string Mp3File(const std::string& name, size_t frames);
    // Drops the files on the list as the shell does.
    void Drop(const std::vector<std::string>& paths);

    FlashMemory flash;
    SimulatedPlayer player;
    WindowUserInterface ui;
    CMainFrame* frame = nullptr;
    CQuorlView* view = nullptr;
    std::string folder;
    std::unique_ptr<CopyFolder> copyFolder; // this PC's copies of the directory, in the test's folder
    std::unique_ptr<DirectoryCopies> copies;
};
