#include "SearchWindows.h"

#include "Process.h"

namespace {

const int kTextMax = 1024;

HWND DialogItem(HWND hDlg, int id) { return GetDlgItem(hDlg, id); }

void Notify(HWND hDlg, int id, UINT code) {
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(DialogItem(hDlg, id)));
}

}  // namespace

// ---- windows ------------------------------------------------------------

HWND TopWindowOf(DWORD pid, const wchar_t* title, const wchar_t* cls) {
    for (HWND h : VisibleWindowsOf(pid)) {
        wchar_t text[256] = {};
        GetWindowTextW(h, text, 256);
        if (wcscmp(text, title)) continue;
        wchar_t name[64] = {};
        GetClassNameW(h, name, 64);
        if (!cls || !_wcsicmp(name, cls)) return h;
    }
    return nullptr;
}

std::wstring WindowText(HWND h) {
    wchar_t text[kTextMax] = {};
    // WM_GETTEXT is carried across processes (GetWindowText would not ask
    // the window).
    DWORD_PTR r = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, kTextMax, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 10000, &r);
    return text;
}

void SetWindowTextRemote(HWND h, const std::wstring& text) {
    SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool IsChecked(HWND hButton) { return SendMessageW(hButton, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetCheck(HWND hDlg, int id, bool checked) {
    SendMessageW(DialogItem(hDlg, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    Notify(hDlg, id, BN_CLICKED);
}

void PressButton(HWND hDlg, int id) { Notify(hDlg, id, BN_CLICKED); }

bool SelectComboByData(HWND hDlg, int id, DWORD_PTR data) {
    HWND hCombo = DialogItem(hDlg, id);
    const int n = static_cast<int>(SendMessageW(hCombo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        if (static_cast<DWORD_PTR>(SendMessageW(hCombo, CB_GETITEMDATA, i, 0)) != data) continue;
        SendMessageW(hCombo, CB_SETCURSEL, i, 0);
        Notify(hDlg, id, CBN_SELCHANGE);
        return true;
    }
    return false;
}

void TypeComboText(HWND hDlg, int id, const std::wstring& text) {
    SetWindowTextRemote(DialogItem(hDlg, id), text);
    Notify(hDlg, id, CBN_EDITCHANGE);
}

void SelectListItem(HWND hDlg, int id, int index) {
    SendMessageW(DialogItem(hDlg, id), LB_SETCURSEL, index, 0);
    Notify(hDlg, id, LBN_SELCHANGE);
}

// ---- status bars ---------------------------------------------------------------------

std::wstring StatusPaneText(HWND hStatus, HANDLE hProcess, int pane) {
    CRemoteBuffer buf(hProcess, (kTextMax + 1) * sizeof(wchar_t));
    const wchar_t zero = 0;
    if (!buf.Valid() || !buf.Write(0, &zero, sizeof(zero))) return L"?";
    const LRESULT len = SendMessageW(hStatus, SB_GETTEXTLENGTHW, pane, 0);
    if (LOWORD(len) > kTextMax) return L"?";
    SendMessageW(hStatus, SB_GETTEXTW, pane, buf.Param());
    wchar_t text[kTextMax + 1] = {};
    if (!buf.Read(0, text, (LOWORD(len) + 1) * sizeof(wchar_t))) return L"?";
    return text;
}

HWND StatusBarOf(HWND hFrame) {
    for (HWND h = FindWindowExW(hFrame, nullptr, STATUSCLASSNAMEW, nullptr); h;
         h = FindWindowExW(hFrame, h, STATUSCLASSNAMEW, nullptr))
        return h;
    return nullptr;
}

// ---- trees --------------------------------------------------------------------------------

HTREEITEM TreeCaret(HWND hTree) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(hTree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void TreeSelect(HWND hTree, HTREEITEM h) { SendMessageW(hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(h)); }

HTREEITEM TreeParent(HWND hTree, HTREEITEM h) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(hTree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(h)));
}

int TreeItemImage(HWND hTree, HANDLE hProcess, HTREEITEM h) {
    CRemoteBuffer buf(hProcess, sizeof(TVITEMW));
    TVITEMW item = {};
    item.mask = TVIF_IMAGE | TVIF_HANDLE;
    item.hItem = h;
    item.iImage = -1;
    if (!buf.Write(0, &item, sizeof(item))) return -1;
    if (!SendMessageW(hTree, TVM_GETITEMW, 0, buf.Param())) return -1;
    if (!buf.Read(0, &item, sizeof(item))) return -1;
    return item.iImage;
}

RECT TreeItemTextRect(HWND hTree, HANDLE hProcess, HTREEITEM h) {
    RECT rc = {};
    CRemoteBuffer buf(hProcess, sizeof(RECT));
    // The item goes in where the rectangle comes out.
    if (!buf.Write(0, &rc, sizeof(rc)) || !buf.Write(0, &h, sizeof(h))) return RECT{};
    if (!SendMessageW(hTree, TVM_GETITEMRECT, TRUE, buf.Param()) || !buf.Read(0, &rc, sizeof(rc))) return RECT{};
    MapWindowPoints(hTree, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void ToggleViewCheck(HWND hView, HTREEITEM h) {
    TreeSelect(hView, h);
    SendMessageW(hView, WM_CHAR, L' ', 0);
}

void ToggleDialogTreeCheck(HWND hTree, HTREEITEM h) {
    TreeSelect(hTree, h);
    SendMessageW(hTree, WM_KEYDOWN, VK_SPACE, 0);
}

// ---- list views -------------------------------------------------------------------------------

int ListCount(HWND hList) { return static_cast<int>(SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring ListText(HWND hList, HANDLE hProcess, int row) {
    const SIZE_T textOffset = 256;
    CRemoteBuffer buf(hProcess, textOffset + (kTextMax + 1) * sizeof(wchar_t));
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = reinterpret_cast<LPWSTR>(buf.At(textOffset));
    item.cchTextMax = kTextMax;
    if (!buf.Write(0, &item, sizeof(item))) return L"";
    const LRESULT n = SendMessageW(hList, LVM_GETITEMTEXTW, row, buf.Param());
    wchar_t text[kTextMax + 1] = {};
    if (n <= 0 || !buf.Read(0, &item, sizeof(item))) return L"";
    if (!buf.ReadFrom(item.pszText, text, (static_cast<SIZE_T>(n) + 1) * sizeof(wchar_t))) return L"";
    return text;
}

bool ListChecked(HWND hList, int row) {
    const UINT state = static_cast<UINT>(SendMessageW(hList, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return (state >> 12) == 2;
}

bool SetListChecked(HWND hList, HANDLE hProcess, int row, bool checked) {
    CRemoteBuffer buf(hProcess, sizeof(LVITEMW));
    LVITEMW item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    if (!buf.Write(0, &item, sizeof(item))) return false;
    return SendMessageW(hList, LVM_SETITEMSTATE, row, buf.Param()) != 0;
}

int FindListRow(HWND hList, HANDLE hProcess, const std::wstring& text) {
    for (int i = 0, n = ListCount(hList); i < n; ++i)
        if (ListText(hList, hProcess, i) == text) return i;
    return -1;
}

// ---- the thread's queue and the screen ---------------------------------------------------------

bool FlushThread(HWND hTree, DWORD ms) {
    // The colour of the tree's insertion mark, which is never shown, carries
    // the marker.
    static COLORREF s_marker = RGB(0, 0, 0x5A);
    s_marker = (s_marker + 1) & 0xFFFFFF;
    const COLORREF marker = s_marker;
    if (!PostMessageW(hTree, TVM_SETINSERTMARKCOLOR, 0, marker)) return false;
    return WaitUntil([&] { return static_cast<COLORREF>(SendMessageW(hTree, TVM_GETINSERTMARKCOLOR, 0, 0)) == marker; }, ms);
}

COLORREF ScreenPixel(int x, int y) {
    HDC hdc = GetDC(nullptr);
    COLORREF c = GetPixel(hdc, x, y);
    ReleaseDC(nullptr, hdc);
    return c;
}

void SaveShot(HWND hWnd, const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"ZV_SHOT_DIR", dir, MAX_PATH) || !IsWindow(hWnd)) return;
    SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(500);  // the other process paints in its own time
    RECT rc;
    GetWindowRect(hWnd, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC hScreen = GetDC(nullptr);
    HDC hMem = CreateCompatibleDC(hScreen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* pBits = nullptr;
    HBITMAP hBmp = CreateDIBSection(hMem, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ old = SelectObject(hMem, hBmp);
    BitBlt(hMem, 0, 0, w, h, hScreen, rc.left, rc.top, SRCCOPY);
    SelectObject(hMem, old);
    const DWORD size = ((w * 3 + 3) & ~3) * h;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + size;
    const std::wstring path = std::wstring(dir) + L"\\" + name + L".bmp";
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile != INVALID_HANDLE_VALUE) {
        DWORD n = 0;
        WriteFile(hFile, &fh, sizeof(fh), &n, nullptr);
        WriteFile(hFile, &bi.bmiHeader, sizeof(bi.bmiHeader), &n, nullptr);
        WriteFile(hFile, pBits, size, &n, nullptr);
        CloseHandle(hFile);
    }
    DeleteObject(hBmp);
    DeleteDC(hMem);
    ReleaseDC(nullptr, hScreen);
}
