// The extract and move dialog test host.
#include "dialog_host.h"

#include "resources/LogWindowRes.h"
#include "search/dialogs/ExtractDialog.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

std::vector<Posted> g_posted;   // touched on the log thread only
std::vector<CLogNode*> g_lists; // extracted lists, freed when the test ends

LRESULT CALLBACK Spy(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (m) {
    case UM_EXTRACT_OK:
        g_posted.push_back({m, wp, lp});
        g_lists.push_back(reinterpret_cast<CLogNode*>(wp));
        return 0;  // the test looks at the list and frees it
    case UM_EXTRACT_ERROR:
    case UM_EXTRACTDIALOG_CLOSED:
    case UM_MOVE_HIT:
    case UM_MOVEDIALOG_CLOSED:
        g_posted.push_back({m, wp, lp});
        break;
    }
    return ::DefSubclassProc(h, m, wp, lp);
}

CLogNode* MakeMember(const MemberSpec& m, CLogNode* pParent) {
    CLogNode* p = AllocNode();
    p->m_pEntry->m_name = m.pszName;
    p->m_pEntry->m_value = m.pszValue;
    if (m.children.empty()) {
        p->m_pEntry->m_type = L"LONG";
    } else {
        p->m_pEntry->m_type = L"VT_DISPATCH";
        p->m_pEntry->SetKind(LOGK_OBJECT);
        p->m_pEntry->SetFlags(LOGF_MEMBER_TREE);
        p->NodeSetExpanded(0, TRUE);   // its members shown in the log view
        CLogNode* pPrev = nullptr;
        for (const MemberSpec& c : m.children) {
            CLogNode* q = MakeMember(c, p);
            if (pPrev) {
                pPrev->m_pNext = q;
                q->m_pBack = pPrev;
            } else {
                p->m_pChildren = q;
                q->m_pBack = p;
            }
            pPrev = q;
        }
    }
    return p;
}

void AppendText(std::wstring& out, const CLogNode* p, bool bTrees);

void AppendChain(std::wstring& out, const CLogNode* p, bool bTrees, bool& bFirst) {
    if (!p) return;
    if (bTrees) AppendChain(out, p->m_pBack, bTrees, bFirst);
    if (!bFirst) out += L",";
    bFirst = false;
    AppendText(out, p, bTrees);
    if (bTrees) AppendChain(out, p->m_pNext, bTrees, bFirst);
}

void AppendText(std::wstring& out, const CLogNode* p, bool bTrees) {
    CBstr text;
    CExtractDialog::FormatItemText(p, text);
    out += static_cast<LPCOLESTR>(text);
    if (p->m_pChildren) {
        out += L"[";
        bool bFirst = true;
        if (bTrees) {
            AppendChain(out, p->m_pChildren, true, bFirst);
        } else {
            for (const CLogNode* c = p->m_pChildren; c; c = c->m_pNext) {
                if (!bFirst) out += L",";
                bFirst = false;
                AppendText(out, c, false);
            }
        }
        out += L"]";
    }
}

void AppendItems(std::wstring& out, HWND hTree, HTREEITEM h) {
    bool bFirst = true;
    for (; h; h = TreeView_GetNextSibling(hTree, h)) {
        if (!bFirst) out += L",";
        bFirst = false;
        wchar_t buf[256] = {};
        TVITEMW it{};
        it.mask = TVIF_TEXT;
        it.hItem = h;
        it.pszText = buf;
        it.cchTextMax = 256;
        TreeView_GetItem(hTree, &it);
        out += buf;
        if (HTREEITEM c = TreeView_GetChild(hTree, h)) {
            out += L"[";
            AppendItems(out, hTree, c);
            out += L"]";
        }
    }
}

}  // namespace

std::wstring TreeText(HWND hTree) {
    std::wstring out;
    AppendItems(out, hTree, TreeView_GetRoot(hTree));
    return out;
}

std::wstring ChainText(const CLogNode* pChain, bool bSearchTrees) {
    std::wstring out;
    bool bFirst = true;
    if (bSearchTrees) {
        // The groups stay a chain; their members are search trees.
        for (const CLogNode* p = pChain; p; p = p->m_pNext) {
            if (!bFirst) out += L",";
            bFirst = false;
            AppendText(out, p, true);
        }
    } else {
        for (const CLogNode* p = pChain; p; p = p->m_pNext) {
            if (!bFirst) out += L",";
            bFirst = false;
            AppendText(out, p, false);
        }
    }
    return out;
}

void DialogHostTest::SetUp() {
    g_nClients = 1;
    m_host = std::make_unique<LogHost>();
    ASSERT_NE(nullptr, m_host->LogFrame());
    CAppSettings& s = CAppSettings::Get();
    m_nOldExpand = s.Settings.TreeViewExpand;
    s.Settings.TreeViewExpand = 3;
    // The main frame has loaded what the last test's frame saved.
    s.Common.ExtractDialog = DLGOPT_DEFAULT;
    s.Window.ExtractDialog = RECT{};
    for (RECT& rc : s.Window.MoveFindDialog) rc = RECT{};
    m_pView = m_host->LogView();
    m_host->OnLog([&] {
        m_host->LogFrame()->SetMainWnd(m_rec.Hwnd());
        g_posted.clear();
        ::SetWindowSubclass(m_host->LogWnd(), Spy, 0x5ea8, 0);
        ::SetWindowSubclass(m_pView->m_hWnd, Spy, 0x5ea8, 0);
    });
    ::MoveWindow(m_host->LogWnd(), 0, 0, 500, 400, TRUE);
}

void DialogHostTest::TearDown() {
    if (m_host) {
        m_host->OnLog([&] {
            ::RemoveWindowSubclass(m_host->LogWnd(), Spy, 0x5ea8);
            ::RemoveWindowSubclass(m_pView->m_hWnd, Spy, 0x5ea8);
            for (CLogNode* p : g_lists) FreeNodeTree(p);
            g_lists.clear();
            g_posted.clear();
        });
    }
    CAppSettings::Get().Settings.TreeViewExpand = m_nOldExpand;
    m_host.reset();
    g_nClients = 0;
}

CLogNode* DialogHostTest::AddCall(LPCWSTR pszLabel, int nClient, const std::vector<MemberSpec>& members) {
    CLogNode* pCall = MakeCall(pszLabel, nClient, m_nKey += 10, false, 0);
    CLogNode* pPrev = nullptr;
    for (const MemberSpec& m : members) {
        CLogNode* p = MakeMember(m, pCall);
        if (pPrev) {
            pPrev->m_pNext = p;
            p->m_pBack = pPrev;
        } else {
            pCall->m_pChildren = p;
            p->m_pBack = pCall;
        }
        pPrev = p;
    }
    if (pPrev) pCall->m_pEntry->SetFlags(LOGF_MEMBER_TREE);
    m_pLast = LinkAfter(m_pLast, pCall);
    ::SendMessageW(m_host->LogWnd(), UM_ADD_ENTRY, reinterpret_cast<WPARAM>(m_pLast), 0);
    return pCall;
}

CLogNode* DialogHostTest::Member(CLogNode* pCall, std::initializer_list<LPCWSTR> path) {
    CLogNode* p = pCall;
    for (LPCWSTR name : path) {
        CLogNode* c = p->m_pChildren;
        while (c && wcscmp(c->m_pEntry->m_name, name) != 0) c = c->m_pNext;
        if (!c) return nullptr;
        p = c;
    }
    return p;
}

void DialogHostTest::ToggleInView(CLogNode* pNode) {
    m_host->OnLog([&] {
        HTREEITEM h = m_pView->FindItemOfNode(pNode);
        ASSERT_NE(nullptr, h);
        m_pView->ToggleCheck(h);
    });
}

void DialogHostTest::Command(UINT nID) {
    m_host->OnLog([&] { ::SendMessageW(m_host->LogWnd(), WM_COMMAND, nID, 0); });
}

void DialogHostTest::Click(HWND hDlg, int nID) {
    HWND h = ::GetDlgItem(hDlg, nID);
    m_host->OnLog([&] { ::SendMessageW(h, BM_CLICK, 0, 0); });
}

void DialogHostTest::Key(HWND hDlg, HWND hFocus, UINT vk) {
    m_host->OnLog([&] {
        ::SetFocus(hFocus);
        MSG msg{hFocus, WM_KEYDOWN, vk, 1};
        if (!::IsDialogMessageW(hDlg, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        MSG up{hFocus, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001)};
        ::IsDialogMessageW(hDlg, &up);
    });
}

std::vector<Posted> DialogHostTest::TakePosted() {
    PumpFor(50);
    std::vector<Posted> r;
    m_host->OnLog([&] {
        r = g_posted;
        g_posted.clear();
    });
    return r;
}

bool SaveWindowBitmap(HWND hWnd, LPCWSTR pszName) {
    wchar_t dir[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"ZV_SHOT_DIR", dir, MAX_PATH)) return false;
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC hScreen = ::GetDC(nullptr);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* pBits = nullptr;
    HBITMAP hBmp = ::CreateDIBSection(hMem, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(hMem, hBmp);
    ::BitBlt(hMem, 0, 0, w, h, hScreen, rc.left, rc.top, SRCCOPY);
    ::SelectObject(hMem, old);
    const DWORD stride = ((w * 3 + 3) & ~3);
    const DWORD size = stride * h;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + size;
    std::wstring path = std::wstring(dir) + L"\\" + pszName + L".bmp";
    HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    bool ok = hFile != INVALID_HANDLE_VALUE;
    if (ok) {
        DWORD n = 0;
        ::WriteFile(hFile, &fh, sizeof(fh), &n, nullptr);
        ::WriteFile(hFile, &bi.bmiHeader, sizeof(bi.bmiHeader), &n, nullptr);
        ::WriteFile(hFile, pBits, size, &n, nullptr);
        ::CloseHandle(hFile);
    }
    ::DeleteObject(hBmp);
    ::DeleteDC(hMem);
    ::ReleaseDC(nullptr, hScreen);
    return ok;
}
