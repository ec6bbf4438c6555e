// The clipboard, open for the life of one object.
#pragma once
#include <windows.h>

class CClipboard {
public:
    // Opens the clipboard for hWndOwner; IsOpen tells whether that worked.
    // Another program may hold it open for a moment (a clipboard viewer
    // reading what came in): the opening is tried again for about a second.
    explicit CClipboard(HWND hWndOwner) : m_bOpen(Open(hWndOwner)) {}
    ~CClipboard() { Close(); }
    CClipboard(const CClipboard&) = delete;
    CClipboard& operator=(const CClipboard&) = delete;

    bool IsOpen() const { return m_bOpen; }
    BOOL Empty() const { return m_bOpen && ::EmptyClipboard(); }
    // Hands hMem over in nFormat. TRUE: the clipboard owns it now; FALSE: it
    // is still the caller's to free.
    BOOL SetData(UINT nFormat, HGLOBAL hMem) const { return m_bOpen && ::SetClipboardData(nFormat, hMem) != nullptr; }
    void Close() {
        if (m_bOpen) ::CloseClipboard();
        m_bOpen = false;
    }

private:
    static bool Open(HWND hWndOwner) {
        for (int i = 0; i < 100; ++i) {
            if (::OpenClipboard(hWndOwner)) return true;
            ::Sleep(10);
        }
        return false;
    }

    bool m_bOpen;
};
