#include "ObjInfoWindow.h"

namespace {

const int kTextMax = 1024;
// Layout of the remote buffer: a control's item description first, its text after it.
const SIZE_T kTextOffset = 256;

struct IdSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindIdProc(HWND h, LPARAM l) {
    auto* s = reinterpret_cast<IdSearch*>(l);
    if (GetDlgCtrlID(h) == s->id) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

void SendMouse(DWORD flags) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof(in));
}

void SendKey(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof(in));
}

}  // namespace

// ---- CRemoteTreeInput -----------------------------------------------------------------

bool CRemoteTreeInput::Attach(HWND hTree, HANDLE hProcess) {
    m_hTree = hTree;
    return hTree && m_buf.Attach(hProcess);
}

bool CRemoteTreeInput::ItemRect(HTREEITEM h, RECT* prc) const {
    // TVM_GETITEMRECT takes the item in the rectangle's place.
    RECT rc = {};
    *reinterpret_cast<HTREEITEM*>(&rc) = h;
    if (!h || !m_buf.Write(0, &rc, sizeof(rc))) return false;
    if (!SendMessageW(m_hTree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(m_buf.At(0)))) return false;
    return m_buf.Read(0, prc, sizeof(*prc));
}

bool CRemoteTreeInput::Click(HTREEITEM h) const {
    RECT rc;
    if (!ItemRect(h, &rc)) return false;
    const LPARAM pt = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    return PostMessageW(m_hTree, WM_LBUTTONDOWN, MK_LBUTTON, pt) && PostMessageW(m_hTree, WM_LBUTTONUP, 0, pt);
}

bool CRemoteTreeInput::RightClick(HTREEITEM h) const {
    RECT rc;
    if (!ItemRect(h, &rc)) return false;
    const LPARAM pt = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    return PostMessageW(m_hTree, WM_RBUTTONDOWN, MK_RBUTTON, pt) && PostMessageW(m_hTree, WM_RBUTTONUP, 0, pt);
}

HTREEITEM CRemoteTreeInput::Selected() const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(m_hTree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

HTREEITEM CRemoteTreeInput::Parent(HTREEITEM h) const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(m_hTree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(h)));
}

// ---- CRemoteList ----------------------------------------------------------------------

bool CRemoteList::Attach(HWND hList, HANDLE hProcess) {
    m_hList = hList;
    return hList && m_buf.Attach(hProcess);
}

int CRemoteList::Count() const { return static_cast<int>(SendMessageW(m_hList, LVM_GETITEMCOUNT, 0, 0)); }

int CRemoteList::Columns() const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(m_hList, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
}

std::wstring CRemoteList::Text(int row, int column) const {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(m_buf.At(kTextOffset));
    item.cchTextMax = kTextMax;
    if (!m_buf.Write(0, &item, sizeof(item))) return L"";
    SendMessageW(m_hList, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(m_buf.At(0)));
    return m_buf.ReadText(m_buf.At(kTextOffset), kTextMax);
}

LPARAM CRemoteList::Data(int row) const {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!m_buf.Write(0, &item, sizeof(item))) return -1;
    if (!SendMessageW(m_hList, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(m_buf.At(0)))) return -1;
    if (!m_buf.Read(0, &item, sizeof(item))) return -1;
    return item.lParam;
}

bool CRemoteList::Selected(int row) const {
    return (SendMessageW(m_hList, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

bool CRemoteList::Select(std::initializer_list<int> rows) const {
    auto set = [this](int row, UINT state) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = state;
        return m_buf.Write(0, &item, sizeof(item)) &&
               SendMessageW(m_hList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(m_buf.At(0)));
    };
    bool ok = set(-1, 0) != FALSE;
    for (int row : rows) ok = set(row, LVIS_SELECTED) && ok;
    return ok;
}

std::vector<std::wstring> CRemoteList::Rows() const {
    std::vector<std::wstring> rows;
    const int columns = Columns();
    for (int i = 0, n = Count(); i < n; ++i) {
        std::wstring row = Data(i) == 0 ? L"*" : L"";
        row += Text(i, 0);
        if (columns > 1) row += L"|" + Text(i, 1);
        rows.push_back(row);
    }
    return rows;
}

int CRemoteList::FindRow(const std::wstring& label) const {
    for (int i = 0, n = Count(); i < n; ++i)
        if (Text(i, 0) == label) return i;
    return -1;
}

bool CRemoteList::RowRect(int row, RECT* prc) const {
    RECT rc = {};
    rc.left = LVIR_LABEL;
    if (!m_buf.Write(0, &rc, sizeof(rc))) return false;
    if (!SendMessageW(m_hList, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(m_buf.At(0)))) return false;
    return m_buf.Read(0, prc, sizeof(*prc));
}

// ---- CObjInfoWindow -------------------------------------------------------------------

bool CObjInfoWindow::WaitFor(DWORD pid, HANDLE hProcess, DWORD ms) {
    // Resource ids of the data view's lists.
    const int kInterfaceList = 1056, kDeclarationList = 1057, kMemberList = 1055;
    m_hFrame = WaitForTopWindow(pid, L"ObjectInfoView", ms);
    if (!m_hFrame) return false;
    HWND hTree = FindChildOfClass(m_hFrame, L"SysTreeView32");
    return m_tree.Attach(hTree, hProcess) && m_treeInput.Attach(hTree, hProcess) &&
           m_interfaces.Attach(FindChildById(m_hFrame, kInterfaceList), hProcess) &&
           m_declaration.Attach(FindChildById(m_hFrame, kDeclarationList), hProcess) &&
           m_members.Attach(FindChildById(m_hFrame, kMemberList), hProcess);
}

HTREEITEM CObjInfoWindow::Member(HTREEITEM root, const std::wstring& name) const {
    for (HTREEITEM h = m_tree.Child(root); h; h = m_tree.Next(h))
        if (m_tree.Text(h) == name) return h;
    return nullptr;
}

std::wstring CObjInfoWindow::InterfaceValue(const std::wstring& label) const {
    const int row = m_interfaces.FindRow(label);
    return row < 0 ? L"" : m_interfaces.Text(row, 1);
}

std::wstring CObjInfoWindow::SelectedRecord() {
    HTREEITEM h = m_treeInput.Selected();
    if (!h) return L"";
    if (HTREEITEM parent = m_treeInput.Parent(h)) h = parent;
    return m_tree.Text(h);
}

void CObjInfoWindow::TreeCommand(UINT id) const {
    PostMessageW(m_tree.Window(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

HWND WaitForPopupMenu(DWORD pid, DWORD ms) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND h : VisibleWindowsOf(pid)) {
            wchar_t cls[16] = {};
            GetClassNameW(h, cls, 16);
            if (!wcscmp(cls, L"#32768")) found = h;
        }
        return found != nullptr;
    }, ms);
    return found;
}

void ChooseFirstMenuItem(HWND hMenuWindow) {
    // The menu's own loop takes the keys from its thread's queue.
    PostMessageW(hMenuWindow, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(hMenuWindow, WM_KEYDOWN, VK_RETURN, 0);
}

HWND FindChildById(HWND hParent, int id) {
    IdSearch s{id, nullptr};
    EnumChildWindows(hParent, FindIdProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HTREEITEM FindChildEndingWith(const CRemoteTree& tree, HTREEITEM parent, const std::wstring& end) {
    for (HTREEITEM h = tree.Child(parent); h; h = tree.Next(h)) {
        const std::wstring text = tree.Text(h);
        if (text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0) return h;
    }
    return nullptr;
}

// ---- clipboard and input ---------------------------------------------------------------

namespace {

// Opens the clipboard, waiting while another window holds it open.
bool OpenClipboardWaiting() {
    return WaitUntil([] { return OpenClipboard(nullptr) != FALSE; }, 5000);
}

}  // namespace

std::wstring ClipboardText() {
    if (!OpenClipboardWaiting()) return L"(not open)";
    std::wstring text = L"(none)";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            text = p;
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

bool SetClipboardText(const std::wstring& text) {
    if (!OpenClipboardWaiting()) return false;
    EmptyClipboard();
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool ok = false;
    if (void* p = mem ? GlobalLock(mem) : nullptr) {
        memcpy(p, text.c_str(), bytes);
        GlobalUnlock(mem);
        ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    }
    if (!ok && mem) GlobalFree(mem);
    CloseClipboard();
    return ok;
}

bool BringToFront(HWND h) {
    return WaitUntil([h] {
        SetForegroundWindow(h);
        return GetForegroundWindow() == h;
    }, 5000);
}

void ClickWithMouse(HWND h, POINT client) {
    ClientToScreen(h, &client);
    SetCursorPos(client.x, client.y);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
}

void PressWithCtrl(WORD vk) {
    SendKey(VK_CONTROL, false);
    SendKey(vk, false);
    SendKey(vk, true);
    SendKey(VK_CONTROL, true);
}
