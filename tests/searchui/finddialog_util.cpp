// The find-dialog test host.
#include "finddialog_util.h"

#include <algorithm>

#include "resources/LogWindowRes.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

std::vector<Posted> g_posted;   // touched on the log thread only
bool g_bSwallowFind = false;

LRESULT CALLBACK OwnerSpy(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR pData) {
    if (m == UM_FIND || m == UM_FIND_ERROR || m == UM_FINDDIALOG_CLOSED) {
        Posted p{m, wp, 0};
        if (m == UM_FIND && wp) p.options = reinterpret_cast<CSearchConditionSet*>(wp)->m_options;
        g_posted.push_back(p);
        if (m == UM_FIND && *reinterpret_cast<bool*>(pData)) return 0;
    }
    return ::DefSubclassProc(h, m, wp, lp);
}

BOOL CALLBACK CollectBox(HWND hWnd, LPARAM lParam) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    wchar_t cls[32] = {}, caption[64] = {};
    ::GetClassNameW(hWnd, cls, 32);
    ::GetWindowTextW(hWnd, caption, 64);
    if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(hWnd) && wcscmp(cls, L"#32770") == 0 &&
        wcscmp(caption, L"Zavetra") == 0)
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

}  // namespace

void SetSwallowFind(bool bSwallow) { g_bSwallowFind = bSwallow; }

// --- BoxAnswerer --------------------------------------------------------------------

BoxAnswerer::BoxAnswerer(int nAnswer) : m_nAnswer(nAnswer) {
    ::InitializeCriticalSection(&m_cs);
    m_hThread = ::CreateThread(nullptr, 0, &BoxAnswerer::Run, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer() {
    m_bStop = true;
    ::WaitForSingleObject(m_hThread, 5000);
    ::CloseHandle(m_hThread);
    ::DeleteCriticalSection(&m_cs);
}

DWORD WINAPI BoxAnswerer::Run(LPVOID p) {
    auto* self = static_cast<BoxAnswerer*>(p);
    std::vector<HWND> done;
    while (!self->m_bStop) {
        std::vector<HWND> boxes;
        ::EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));
        for (HWND h : boxes) {
            if (std::find(done.begin(), done.end(), h) != done.end()) continue;
            done.push_back(h);
            wchar_t text[512] = {};
            ::GetDlgItemTextW(h, 0xFFFF, text, 512);
            ::EnterCriticalSection(&self->m_cs);
            self->m_texts.push_back(text);
            ::LeaveCriticalSection(&self->m_cs);
            ::PostMessageW(h, WM_COMMAND, self->m_nAnswer, 0);
        }
        done.erase(std::remove_if(done.begin(), done.end(), [](HWND h) { return !::IsWindow(h); }), done.end());
        ::Sleep(20);
    }
    return 0;
}

std::vector<std::wstring> BoxAnswerer::Texts() {
    ::EnterCriticalSection(&m_cs);
    std::vector<std::wstring> t = m_texts;
    ::LeaveCriticalSection(&m_cs);
    return t;
}

// --- fixture ------------------------------------------------------------------------------

void FindDialogTest::SetUp() {
    g_nClients = 1;
    m_host = std::make_unique<LogHost>();
    ASSERT_NE(nullptr, m_host->LogFrame());
    CAppSettings& s = CAppSettings::Get();
    m_nOldExpand = s.Settings.TreeViewExpand;
    s.Settings.TreeViewExpand = 3;
    // The main frame has loaded what the last test's frame saved.
    for (int i = 0; i < SETTINGS_VIEW_SLOTS; ++i) {
        s.Common.FindDialog[i] = DLGOPT_DEFAULT;
        s.Window.FindDialog[i] = RECT{};
    }
    m_pView = m_host->LogView();
    g_bSwallowFind = false;
    m_host->OnLog([&] {
        m_host->LogFrame()->SetMainWnd(m_rec.Hwnd());
        g_posted.clear();
        ::SetWindowSubclass(m_host->LogWnd(), OwnerSpy, 0x5ea7, reinterpret_cast<DWORD_PTR>(&g_bSwallowFind));
    });
    ::MoveWindow(m_host->LogWnd(), 0, 0, 500, 400, TRUE);
}

void FindDialogTest::TearDown() {
    FailAllocationAfter(0);
    FailStringAfter(0);
    if (m_host) {
        m_host->OnLog([&] { ::RemoveWindowSubclass(m_host->LogWnd(), OwnerSpy, 0x5ea7); });
    }
    CAppSettings::Get().Settings.TreeViewExpand = m_nOldExpand;
    m_host.reset();
    g_nClients = 0;
}

CLogNode* FindDialogTest::AddCall(LPCWSTR pszLabel, int nClient, std::initializer_list<MemberSpec> members) {
    CLogNode* pCall = MakeCall(pszLabel, nClient, m_nKey += 10, false, 0);
    CLogNode* pPrev = nullptr;
    for (const MemberSpec& m : members) {
        CLogNode* p = AllocNode();
        p->m_pEntry->m_name = m.pszName;
        p->m_pEntry->m_type = m.pszType;
        p->m_pEntry->m_value = m.pszValue;
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

CLogNode* FindDialogTest::Member(CLogNode* pCall, int n) const {
    CLogNode* p = pCall->m_pChildren;
    while (p && n-- > 0) p = p->m_pNext;
    return p;
}

void FindDialogTest::ToggleInView(CLogNode* pNode) {
    m_host->OnLog([&] {
        HTREEITEM h = m_pView->FindItemOfNode(pNode);
        ASSERT_NE(nullptr, h);
        m_pView->ToggleCheck(h);
    });
}

CFindDialog* FindDialogTest::OpenDialog() {
    m_host->OnLog([&] {
        ::SendMessageW(m_host->LogWnd(), WM_COMMAND, ID_FIND_DIALOG, 0);
        m_pDlg = m_pView->GetFindDialog();
    });
    if (m_pDlg) {
        m_hDlg = m_pDlg->m_hWnd;
        m_hTree = ::GetDlgItem(m_hDlg, IDC_FIND_TREE);
    }
    return m_pDlg;
}

std::vector<HTREEITEM> FindDialogTest::Items() const { return VisibleItems(m_hTree); }

std::wstring FindDialogTest::ItemText(HTREEITEM h) const {
    wchar_t buf[256] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = h;
    it.pszText = buf;
    it.cchTextMax = 256;
    ::SendMessageW(m_hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return buf;
}

int FindDialogTest::Image(HTREEITEM h) const {
    TVITEMW it{};
    it.mask = TVIF_IMAGE;
    it.hItem = h;
    ::SendMessageW(m_hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return it.iImage;
}

HTREEITEM FindDialogTest::ItemNamed(LPCWSTR pszText) const {
    for (HTREEITEM h : Items())
        if (ItemText(h).find(pszText) != std::wstring::npos) return h;
    return nullptr;
}

void FindDialogTest::Select(HTREEITEM h) {
    ::SendMessageW(m_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(h));
}

void FindDialogTest::Key(UINT vk, HWND hTarget) {
    HWND hWnd = hTarget ? hTarget : m_hTree;
    m_host->OnLog([&] {
        ::SetFocus(hWnd);
        MSG msg{hWnd, WM_KEYDOWN, vk, 1};
        if (!::IsDialogMessageW(m_hDlg, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        MSG up{hWnd, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001)};
        ::IsDialogMessageW(m_hDlg, &up);
    });
}

void FindDialogTest::Type(int nID, LPCWSTR pszText) {
    HWND h = ::GetDlgItem(m_hDlg, nID);
    ::SetWindowTextW(h, pszText);
    ::SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(nID, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(h));
}

void FindDialogTest::PickOperator(int nID, int nOperator) {
    HWND h = ::GetDlgItem(m_hDlg, nID);
    const int n = static_cast<int>(::SendMessageW(h, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i)
        if (static_cast<int>(::SendMessageW(h, CB_GETITEMDATA, i, 0)) == nOperator) ::SendMessageW(h, CB_SETCURSEL, i, 0);
    ::SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(nID, CBN_SELCHANGE), reinterpret_cast<LPARAM>(h));
}

void FindDialogTest::Click(int nID) {
    HWND h = ::GetDlgItem(m_hDlg, nID);
    m_host->OnLog([&] { ::SendMessageW(h, BM_CLICK, 0, 0); });
}

std::wstring FindDialogTest::Text(int nID) const {
    wchar_t buf[256] = {};
    ::GetDlgItemTextW(m_hDlg, nID, buf, 256);
    return buf;
}

bool FindDialogTest::Checked(int nID) const { return ::IsDlgButtonChecked(m_hDlg, nID) == BST_CHECKED; }

bool FindDialogTest::Enabled(int nID) const { return ::IsWindowEnabled(::GetDlgItem(m_hDlg, nID)) != FALSE; }

std::vector<Posted> FindDialogTest::TakePosted() {
    PumpFor(50);
    std::vector<Posted> r;
    m_host->OnLog([&] {
        r = g_posted;
        g_posted.clear();
    });
    return r;
}
