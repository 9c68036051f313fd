// Every dialog of the program fits the screens of its time: 640 by 480 at
// 96 dots an inch, and 800 by 600 with large fonts (120 dots an inch, a
// quarter larger every way).

#include <gtest/gtest.h>

#include <windows.h>

#include "res/resource.h"

namespace {

INT_PTR CALLBACK NoHandling(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST(DialogSizes, EveryDialogFitsTheSmallScreensOfItsTime)
{
    for (int id : {IDD_SAVE_DIRECTORY, IDD_UPLOAD, IDD_CONVERTING, IDD_CONVERSION, IDD_SYNC, IDD_FILL, IDD_DOWNLOAD,
                   IDD_RESCUE, IDD_ABOUTBOX}) {
        HWND dialog = CreateDialogParamA(GetModuleHandle(nullptr), MAKEINTRESOURCEA(id), nullptr, &NoHandling, 0);
        ASSERT_NE(dialog, nullptr) << id;
        RECT r = {};
        GetWindowRect(dialog, &r);
        DestroyWindow(dialog);
        const int width = r.right - r.left, height = r.bottom - r.top;
        EXPECT_LE(width, 640) << id;
        EXPECT_LE(height, 480 - 30) << id; // the taskbar keeps its place
        EXPECT_LE(width * 5 / 4, 800) << id;
        EXPECT_LE(height * 5 / 4, 600 - 38) << id;
    }
}

} // namespace
