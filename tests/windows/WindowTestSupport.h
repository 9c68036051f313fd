#pragma once
// What the window tests share: an application object whose profile lives
// under a key of its own (emptied before each test), a way to let messages
// run for a while, and a main frame made from the program's resources.

#include <windows.h>

#include <functional>
#include <string>

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
