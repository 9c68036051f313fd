#pragma once
// What the window tests share: an application object whose profile lives
// under a key of its own (emptied before each test), a way to let messages
// run for a while, a hand that acts on a modal dialog, and a main frame made
// from the program's resources.

#include <windows.h>

#include <functional>
#include <string>

#include "framework/Wnd.h"
#include "framework/WinApp.h"

class TestApp : public CWinApp {
public:
    TestApp();
    // Removes every value the tests' profile holds.
    void ClearProfile();
};

TestApp& TheTestApp();

// Dispatches messages until `done` says so or `milliseconds` have passed;
// true when done.
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 5000);
void PumpFor(DWORD milliseconds);
// Drops a WM_QUIT left by a main window that was closed.
void DropQuitMessage();

std::string ClassNameOf(HWND hWnd);

// With MELLIFON_WINDOW_SHOTS naming a folder, a picture of the window as
// the screen shows it, frame and all, as NAME.bmp there: the tests that open
// the dialogs a user sees leave their pictures for a person to look at (at
// the prefix's DPI). Nothing otherwise.
void SaveWindowShot(HWND window, const std::string& name);

// The user's hand on a modal dialog of class `Dialog`: `open` brings it up,
// and `act` runs on it from a timer tick inside its modal loop. False when
// no such dialog opened.
template <class Dialog>
class ModalHand {
public:
    static bool Act(const std::function<void()>& open, std::function<void(Dialog&)> act)
    {
        Pending() = std::move(act);
        const UINT_PTR timer = SetTimer(nullptr, 0, 30, &OnTick);
        open();
        KillTimer(nullptr, timer);
        const bool opened = Pending() == nullptr;
        Pending() = nullptr;
        return opened;
    }

private:
    static std::function<void(Dialog&)>& Pending()
    {
        static std::function<void(Dialog&)> pending;
        return pending;
    }
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR timer, DWORD)
    {
        auto* dialog = dynamic_cast<Dialog*>(CWnd::FromHandlePermanent(GetActiveWindow()));
        if (!dialog || !Pending())
            return;
        KillTimer(nullptr, timer);
        auto act = std::move(Pending());
        Pending() = nullptr;
        act(*dialog);
    }
};
