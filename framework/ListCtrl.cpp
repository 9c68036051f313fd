#include "framework/ListCtrl.h"

#include <vector>

BEGIN_MESSAGE_MAP(CListCtrl, CWnd)
END_MESSAGE_MAP()

int CListCtrl::InsertColumn(int index, const char* heading, int format, int width) const
{
    std::string text = heading;
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = text.data();
    column.iSubItem = index;
    return int(SendMessage(LVM_INSERTCOLUMNA, WPARAM(index), reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int index, const std::string& text) const
{
    std::string label = text;
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = label.data();
    return int(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int item, int subItem, const std::string& text) const
{
    std::string copy = text;
    LVITEMA entry = {};
    entry.iSubItem = subItem;
    entry.pszText = copy.data();
    return SendMessage(LVM_SETITEMTEXTA, WPARAM(item), reinterpret_cast<LPARAM>(&entry)) != 0;
}

std::string CListCtrl::GetItemText(int item, int subItem) const
{
    // The control says how much it copied; grow until the text fits.
    for (size_t size = 256; size <= 65536; size *= 4) {
        std::vector<char> buffer(size, '\0');
        LVITEMA entry = {};
        entry.iSubItem = subItem;
        entry.pszText = buffer.data();
        entry.cchTextMax = int(size);
        const LRESULT copied = SendMessage(LVM_GETITEMTEXTA, WPARAM(item), reinterpret_cast<LPARAM>(&entry));
        if (size_t(copied) < size - 1)
            return std::string(buffer.data(), size_t(copied));
    }
    return "";
}

bool CListCtrl::SetItemState(int item, UINT state, UINT mask) const
{
    LVITEMA entry = {};
    entry.state = state;
    entry.stateMask = mask;
    return SendMessage(LVM_SETITEMSTATE, WPARAM(item), reinterpret_cast<LPARAM>(&entry)) != 0;
}

int CListCtrl::GetColumnCount() const
{
    return int(::SendMessage(GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0));
}

bool CListCtrl::GetItemRect(int item, RECT* rect, int code) const
{
    rect->left = code;
    return SendMessage(LVM_GETITEMRECT, WPARAM(item), reinterpret_cast<LPARAM>(rect)) != 0;
}

int CListCtrl::HitTest(POINT point) const
{
    LVHITTESTINFO info = {};
    info.pt = point;
    return int(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
}
