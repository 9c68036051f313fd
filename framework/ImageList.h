#pragma once
// An image list, and the drag of one of its images over a window.

#include <windows.h>

#include <commctrl.h>

class CImageList {
public:
    explicit CImageList(HIMAGELIST handle = nullptr) : m_hImageList(handle) {}
    ~CImageList()
    {
        if (m_hImageList)
            ImageList_Destroy(m_hImageList);
    }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST m_hImageList;

    bool BeginDrag(int image, POINT hotSpot) const
    {
        return ImageList_BeginDrag(m_hImageList, image, hotSpot.x, hotSpot.y) != FALSE;
    }
    static bool DragEnter(HWND lock, POINT point) { return ImageList_DragEnter(lock, point.x, point.y) != FALSE; }
    static bool DragMove(POINT point) { return ImageList_DragMove(point.x, point.y) != FALSE; }
    static bool DragShowNolock(bool show) { return ImageList_DragShowNolock(show) != FALSE; }
    static bool DragLeave(HWND lock) { return ImageList_DragLeave(lock) != FALSE; }
    static void EndDrag() { ImageList_EndDrag(); }
};
