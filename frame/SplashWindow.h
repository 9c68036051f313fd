#pragma once
// The picture shown while the program starts: borderless, centred, above
// all windows, owned by a hidden window so it has no taskbar entry. It goes
// after five seconds, at a key or button press on it, or when start-up
// deletes it (no player found, or the song list filled).

#include "framework/Wnd.h"

class CSplashWindow : public CWnd {
    DECLARE_MESSAGE_MAP()

public:
    CSplashWindow(UINT bitmapId, UINT duration);
    ~CSplashWindow() override;

    UINT m_nBitmapId;
    UINT m_nDuration;
    UINT_PTR m_nTimer = 0;
    HBITMAP m_picture = nullptr;
    HPALETTE m_picturePalette = nullptr;
    CWnd m_hiddenOwner;

    // The result of creating the window; 0 when the picture cannot be loaded.
    int ShowSplash();
    static int LoadSplashBitmap(UINT id, HBITMAP& bitmap, HPALETTE& palette);
    // Stops the timer, takes the windows away and deletes the object.
    void CloseSplash();
    BOOL PreTranslateMessage(MSG* msg) override;
    // Copies the picture onto a device context, with the picture's own
    // colours realized on a palette display; the context keeps its palette.
    void DrawPicture(HDC dc, int width, int height, bool paletteDisplay) const;

protected:
    void OnPaint();
    bool OnTimer(UINT_PTR id);
    void PostNcDestroy() override;

private:
    bool m_bClosing = false;  // closing itself: it deletes itself after its last message
    bool m_bDeleting = false; // being deleted by someone else
};

// The one splash window, null when there is none.
extern CSplashWindow* g_pSplash;

// Deletes the splash window, if there still is one.
void CloseSplashIfAny();
