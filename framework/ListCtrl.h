#pragma once
// A list-view control: thin calls over its messages.

#include <string>

#include "framework/Wnd.h"

#include <commctrl.h>

class CListCtrl : public CWnd {
    DECLARE_MESSAGE_MAP()

public:
    int InsertColumn(int index, const char* heading, int format, int width) const;
    int InsertItem(int index, const std::string& text) const;
    bool SetItemText(int item, int subItem, const std::string& text) const;
    std::string GetItemText(int item, int subItem) const;
    bool DeleteAllItems() const { return SendMessage(LVM_DELETEALLITEMS) != 0; }
    int GetItemCount() const { return int(SendMessage(LVM_GETITEMCOUNT)); }
    UINT GetSelectedCount() const { return UINT(SendMessage(LVM_GETSELECTEDCOUNT)); }
    int GetNextItem(int start, UINT flags) const { return int(SendMessage(LVM_GETNEXTITEM, WPARAM(start), flags)); }
    bool SetItemState(int item, UINT state, UINT mask) const;
    UINT GetItemState(int item, UINT mask) const { return UINT(SendMessage(LVM_GETITEMSTATE, WPARAM(item), mask)); }
    bool SetColumnWidth(int column, int width) const
    {
        return SendMessage(LVM_SETCOLUMNWIDTH, WPARAM(column), MAKELPARAM(width, 0)) != 0;
    }
    int GetColumnWidth(int column) const { return int(SendMessage(LVM_GETCOLUMNWIDTH, WPARAM(column))); }
    int GetStringWidth(const std::string& text) const
    {
        return int(SendMessage(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    bool SetColumnOrderArray(int count, const int* order) const
    {
        return SendMessage(LVM_SETCOLUMNORDERARRAY, WPARAM(count), reinterpret_cast<LPARAM>(order)) != 0;
    }
    bool GetColumnOrderArray(int count, int* order) const
    {
        return SendMessage(LVM_GETCOLUMNORDERARRAY, WPARAM(count), reinterpret_cast<LPARAM>(order)) != 0;
    }
    HWND GetHeaderCtrl() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }
    int GetColumnCount() const;
    bool GetItemPosition(int item, POINT* point) const
    {
        return SendMessage(LVM_GETITEMPOSITION, WPARAM(item), reinterpret_cast<LPARAM>(point)) != 0;
    }
    bool GetItemRect(int item, RECT* rect, int code) const;
    bool GetSubItemRect(int item, int subItem, int code, RECT* rect) const
    {
        rect->top = subItem;
        rect->left = code;
        return SendMessage(LVM_GETSUBITEMRECT, WPARAM(item), reinterpret_cast<LPARAM>(rect)) != 0;
    }
    int HitTest(POINT point) const;
    HIMAGELIST CreateDragImage(int item, POINT* upperLeft) const
    {
        return reinterpret_cast<HIMAGELIST>(
            SendMessage(LVM_CREATEDRAGIMAGE, WPARAM(item), reinterpret_cast<LPARAM>(upperLeft)));
    }
    HWND EditLabel(int item) const { return reinterpret_cast<HWND>(SendMessage(LVM_EDITLABELA, WPARAM(item))); }
};
