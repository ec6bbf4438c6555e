#include "LogWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>

#include "SearchWindows.h"

namespace {

const SIZE_T kRemoteSize = 4096;
const int kTextMax = 1024;

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

struct ChildSearch {
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK FindClassProc(HWND h, LPARAM l) {
    auto* s = reinterpret_cast<ChildSearch*>(l);
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (!_wcsicmp(cls, s->cls)) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

// ---- CRemoteTree ------------------------------------------------------------------

CRemoteTree::~CRemoteTree() {
    if (m_pRemote) VirtualFreeEx(m_hProcess, m_pRemote, 0, MEM_RELEASE);
}

bool CRemoteTree::Attach(HWND hTree, HANDLE hProcess) {
    if (m_pRemote) VirtualFreeEx(m_hProcess, m_pRemote, 0, MEM_RELEASE);
    m_hTree = hTree;
    m_hProcess = hProcess;
    m_pRemote = VirtualAllocEx(hProcess, nullptr, kRemoteSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    return hTree && m_pRemote;
}

HTREEITEM CRemoteTree::Root() const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(m_hTree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

HTREEITEM CRemoteTree::Next(HTREEITEM h) const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(m_hTree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(h)));
}

HTREEITEM CRemoteTree::Child(HTREEITEM h) const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(m_hTree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(h)));
}

UINT CRemoteTree::Count() const { return static_cast<UINT>(SendMessageW(m_hTree, TVM_GETCOUNT, 0, 0)); }

bool CRemoteTree::Expanded(HTREEITEM h) const {
    return (SendMessageW(m_hTree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(h), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

std::wstring CRemoteTree::Text(HTREEITEM h) const {
    if (!h || !m_pRemote) return L"";
    // The item description and its text buffer, in the other process.
    auto* pRemoteItem = static_cast<BYTE*>(m_pRemote);
    auto* pRemoteText = reinterpret_cast<wchar_t*>(pRemoteItem + 128);
    TVITEMW item = {};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = h;
    item.pszText = pRemoteText;
    item.cchTextMax = kTextMax;
    SIZE_T n = 0;
    if (!WriteProcessMemory(m_hProcess, pRemoteItem, &item, sizeof(item), &n)) return L"";
    if (!SendMessageW(m_hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(pRemoteItem))) return L"";
    if (!ReadProcessMemory(m_hProcess, pRemoteItem, &item, sizeof(item), &n)) return L"";
    // The control may answer with a pointer of its own.
    wchar_t text[kTextMax + 1] = {};
    if (!ReadProcessMemory(m_hProcess, item.pszText, text, kTextMax * sizeof(wchar_t), &n)) return L"";
    return text;
}

std::vector<std::wstring> CRemoteTree::RootLabels() const {
    std::vector<std::wstring> v;
    for (HTREEITEM h = Root(); h; h = Next(h)) v.push_back(Text(h));
    return v;
}

std::vector<std::wstring> CRemoteTree::ChildLabels(HTREEITEM hParent) const {
    std::vector<std::wstring> v;
    for (HTREEITEM h = Child(hParent); h; h = Next(h)) v.push_back(Text(h));
    return v;
}

HTREEITEM CRemoteTree::FindRoot(const std::wstring& part) const {
    for (HTREEITEM h = Root(); h; h = Next(h))
        if (Text(h).find(part) != std::wstring::npos) return h;
    return nullptr;
}

HTREEITEM CRemoteTree::FirstVisible() const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(m_hTree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
}

HTREEITEM CRemoteTree::NextVisible(HTREEITEM h) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(m_hTree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(h)));
}

HTREEITEM CRemoteTree::LastVisible() const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(m_hTree, TVM_GETNEXTITEM, TVGN_LASTVISIBLE, 0));
}

UINT CRemoteTree::VisibleCount() const { return static_cast<UINT>(SendMessageW(m_hTree, TVM_GETVISIBLECOUNT, 0, 0)); }

RECT CRemoteTree::ItemRect(HTREEITEM h) const {
    RECT rc = {};
    if (!h || !m_pRemote) return rc;
    // The item goes in where the rectangle comes out.
    SIZE_T n = 0;
    if (!WriteProcessMemory(m_hProcess, m_pRemote, &rc, sizeof(rc), &n) ||
        !WriteProcessMemory(m_hProcess, m_pRemote, &h, sizeof(h), &n))
        return RECT{};
    if (!SendMessageW(m_hTree, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(m_pRemote))) return RECT{};
    if (!ReadProcessMemory(m_hProcess, m_pRemote, &rc, sizeof(rc), &n)) return RECT{};
    return rc;
}

// ---- what the window shows ------------------------------------------------------------

bool ShownPage::SameAs(const ShownPage& o) const {
    return visibleCount == o.visibleCount && rows == o.rows && lastVisible == o.lastVisible &&
           EqualRect(&lastRowRect, &o.lastRowRect) && barRead == o.barRead && bar.nMax == o.bar.nMax &&
           bar.nPage == o.bar.nPage && bar.nPos == o.bar.nPos;
}

std::string Describe(const ShownPage& page) {
    std::ostringstream s;
    s << "visible count " << page.visibleCount << ", " << page.rows.size() << " row(s) from the first visible one";
    if (!page.labels.empty())
        s << " (first \"" << Narrow(page.labels.front()) << "\", last \"" << Narrow(page.labels.back()) << "\")";
    s << "; the last row shown is " << (page.EndsWithLastRow() ? "" : "not ") << "the control's last visible item";
    if (page.lastVisible && !page.EndsWithLastRow()) s << " (" << (page.rows.empty() ? "none shown" : "another one") << ")";
    s << "; last row's rectangle " << page.lastRowRect.top << ".." << page.lastRowRect.bottom << " in a client area of "
      << page.client.bottom << " pixels, rows " << page.rowHeight << " high";
    if (page.barRead)
        s << "; external bar: position " << page.bar.nPos << ", page " << page.bar.nPage << ", max " << page.bar.nMax;
    else
        s << "; external bar not read";
    return s.str();
}

std::string Describe(const VerticalBars& bars) {
    std::ostringstream s;
    s << "tree control: WS_VSCROLL " << (bars.treeStyle ? "set" : "clear") << ", its own bar "
      << (bars.treeInfoRead ? (bars.treeInfoShown ? "shown" : "invisible") : "not read") << " by GetScrollBarInfo, "
      << bars.treeNonClientWidth << " pixels of non-client width (" << (bars.treeRoomForBar ? "room" : "no room")
      << " for a bar beside the free strip); external bar " << (bars.external ? "visible" : "not visible");
    return s.str();
}

// ---- CZavetra ---------------------------------------------------------------------

HWND WaitForTopWindow(DWORD pid, const wchar_t* title, DWORD ms) {
    ULONGLONG end = GetTickCount64() + ms;
    do {
        for (HWND h : VisibleWindowsOf(pid)) {
            wchar_t text[128] = {};
            GetWindowTextW(h, text, 128);
            if (!wcscmp(text, title)) return h;
        }
        Sleep(50);
    } while (GetTickCount64() < end);
    return nullptr;
}

HWND FindChildOfClass(HWND hParent, const wchar_t* cls) {
    ChildSearch s{cls, nullptr};
    EnumChildWindows(hParent, FindClassProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

CZavetra::StartResult CZavetra::Start() {
    CProcess reg;
    if (!reg.Start(Quoted(ZavetraExe()) + L" /RegServer") || reg.Wait(30000) != 0) return kFailed;
    if (!m_process.Start(Quoted(ZavetraExe()))) return kFailed;
    // The log window comes first; a start without it shows a box instead.
    ULONGLONG end = GetTickCount64() + 30000;
    while (!m_hLogFrame && GetTickCount64() < end && m_process.Running()) {
        m_hLogFrame = WaitForTopWindow(Pid(), L"LogView", 0);
        std::wstring text;
        if (!m_hLogFrame && WaitForMessageBox(Pid(), 1, &text) && text == L"Error(Fatal) BeginThread.\nterminate procee.") {
            m_process.End();
            return kNoLogThread;
        }
        Sleep(50);
    }
    m_hMain = WaitForTopWindow(Pid(), L"Orvanesk", 30000);
    if (!m_hLogFrame || !m_hMain) return kFailed;
    m_hToolbar = FindChildOfClass(m_hLogFrame, L"ToolbarWindow32");
    return m_tree.Attach(FindChildOfClass(m_hLogFrame, L"SysTreeView32"), m_process.Handle()) ? kStarted : kFailed;
}

DWORD CZavetra::Quit() {
    if (!m_process.Handle()) return 0;
    DWORD code = STILL_ACTIVE;
    if (m_process.Running() && m_hMain) {
        PostMessageW(m_hMain, WM_CLOSE, 0, 0);
        code = m_process.Wait(20000);
    }
    m_tree.Attach(nullptr, nullptr);
    m_process.End();
    m_hMain = m_hLogFrame = m_hToolbar = nullptr;
    return code;
}

void CZavetra::Command(UINT id) const { PostMessageW(m_hLogFrame, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

bool CZavetra::ButtonEnabled(UINT id, bool nudge) const {
    if (nudge) {
        PostMessageW(m_hLogFrame, WM_NULL, 0, 0);
        Sleep(200);
    }
    return SendMessageW(m_hToolbar, TB_ISBUTTONENABLED, id, 0) != 0;
}

bool CZavetra::WaitForNoClients(DWORD ms) {
    return WaitUntil([&] { return ButtonEnabled(kCmdReleaseMemory); }, ms);
}

HTREEITEM CZavetra::WaitForLine(const std::wstring& part, DWORD ms) {
    ULONGLONG end = GetTickCount64() + ms;
    do {
        if (HTREEITEM h = m_tree.FindRoot(part)) return h;
        Sleep(50);
    } while (GetTickCount64() < end && Running());
    return nullptr;
}

std::vector<std::wstring> CZavetra::AllCallLines() {
    std::vector<std::wstring> lines;
    std::set<std::wstring> seen;
    HWND hTree = m_tree.Window();
    SendMessageW(hTree, WM_KEYDOWN, VK_HOME, 0);
    for (int quiet = 0; quiet < 3;) {
        bool added = false;
        for (const std::wstring& s : m_tree.RootLabels())
            if (seen.insert(s).second) {
                lines.push_back(s);
                added = true;
            }
        quiet = added ? 0 : quiet + 1;
        SendMessageW(hTree, WM_KEYDOWN, VK_NEXT, 0);
    }
    return lines;
}

HWND CZavetra::ScrollBar() const {
    for (HWND h = FindWindowExW(m_hLogFrame, nullptr, L"#32770", nullptr); h;
         h = FindWindowExW(m_hLogFrame, h, L"#32770", nullptr))
        if (HWND hBar = GetDlgItem(h, 1056)) return hBar;
    return nullptr;
}

void CZavetra::Key(UINT vk, int n) const {
    for (int i = 0; i < n; ++i) SendMessageW(m_tree.Window(), WM_KEYDOWN, vk, 0);
}

ShownPage CZavetra::Page(DWORD ms) const {
    auto read = [this] {
        ShownPage p;
        const CRemoteTree& t = m_tree;
        p.visibleCount = t.VisibleCount();
        for (HTREEITEM h = t.FirstVisible(); h && p.rows.size() < std::max(p.visibleCount, 1u); h = t.NextVisible(h)) {
            p.rows.push_back(h);
            p.labels.push_back(t.Text(h));
        }
        p.lastVisible = t.LastVisible();
        if (!p.rows.empty()) p.lastRowRect = t.ItemRect(p.rows.back());
        GetClientRect(t.Window(), &p.client);
        p.rowHeight = static_cast<int>(SendMessageW(t.Window(), TVM_GETITEMHEIGHT, 0, 0));
        p.bar.cbSize = sizeof(p.bar);
        p.bar.fMask = SIF_ALL;
        HWND hBar = ScrollBar();
        p.barRead = hBar && GetScrollInfo(hBar, SB_CTL, &p.bar);
        return p;
    };
    ShownPage last = read();
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        FlushThread(m_tree.Window(), 5000);
        Sleep(400);   // the view's catch-up comes on a timer
        ShownPage now = read();
        if (now.SameAs(last)) return now;
        last = now;
    }
    return last;
}

VerticalBars CZavetra::Bars() const {
    VerticalBars b;
    HWND hTree = m_tree.Window();
    b.treeStyle = (GetWindowLongPtrW(hTree, GWL_STYLE) & WS_VSCROLL) != 0;
    SCROLLBARINFO sbi = {sizeof(sbi)};
    b.treeInfoRead = GetScrollBarInfo(hTree, OBJID_VSCROLL, &sbi) != FALSE;
    b.treeInfoShown = b.treeInfoRead && !(sbi.rgstate[0] & STATE_SYSTEM_INVISIBLE) &&
                      sbi.rcScrollBar.right > sbi.rcScrollBar.left;
    RECT win = {}, client = {};
    GetWindowRect(hTree, &win);
    GetClientRect(hTree, &client);
    b.treeNonClientWidth = (win.right - win.left) - (client.right - client.left);
    // Borders and the 16-pixel strip kept free for the external bar, and no more.
    b.treeRoomForBar = b.treeNonClientWidth >= 16 + GetSystemMetrics(SM_CXVSCROLL);
    HWND hBar = ScrollBar();
    b.external = hBar && IsWindowVisible(hBar);
    return b;
}

// ---- script clients -----------------------------------------------------------------

bool CScriptClient::Start(const std::wstring& name, const std::string& text) {
    m_script = TempDir() + L"\\" + name;
    m_out = m_script + L".out";
    DeleteFileW(m_out.c_str());
    if (!WriteFileText(m_script, text)) return false;
    return Restart();
}

bool CScriptClient::Restart() {
    return m_process.Start(L"cscript.exe //nologo " + Quoted(m_script), m_out);
}

bool CScriptClient::Began() const {
    WIN32_FILE_ATTRIBUTE_DATA a;
    return GetFileAttributesExW(m_out.c_str(), GetFileExInfoStandard, &a) && (a.nFileSizeLow || a.nFileSizeHigh);
}

namespace {

// Restarts of clients whose script never began, summed over the current
// test, and recorded as its property.
void CountRestart(const std::wstring& name) {
    static const ::testing::TestInfo* pTest = nullptr;
    static int nRestarts = 0;
    const ::testing::TestInfo* pNow = ::testing::UnitTest::GetInstance()->current_test_info();
    if (pNow != pTest) {
        pTest = pNow;
        nRestarts = 0;
    }
    ++nRestarts;
    std::fprintf(stderr, "[ clients  ] %s printed nothing, its script never began: started again\n", Narrow(name).c_str());
    if (pNow) ::testing::Test::RecordProperty("clients_restarted", nRestarts);
}

}  // namespace

bool StartClientsAtOnce(const std::vector<CScriptClient*>& clients, const std::vector<ClientScript>& scripts,
                        std::string* pWhy) {
    auto fail = [&](const std::string& why) {
        if (pWhy) *pWhy = why;
        return false;
    };
    if (clients.size() != scripts.size()) return fail("as many clients as scripts");
    std::vector<ULONGLONG> startedAt(clients.size());
    std::vector<int> restarts(clients.size());
    for (size_t i = 0; i < clients.size(); ++i) {
        const size_t first = scripts[i].text.find(kVbsBegins);
        if (first == std::string::npos || first > scripts[i].text.find("Zavetra.Connect"))
            return fail(Narrow(scripts[i].name) + " does not print its first line before it connects");
        if (!clients[i]->Start(scripts[i].name, scripts[i].text)) return fail("cannot start " + Narrow(scripts[i].name));
        startedAt[i] = GetTickCount64();
    }
    for (;;) {
        bool all = true;
        for (size_t i = 0; i < clients.size(); ++i) {
            CScriptClient& c = *clients[i];
            if (c.Began()) continue;
            const bool running = c.Process().Running();
            if (running && GetTickCount64() - startedAt[i] < kClientBeginMs) {
                all = false;
                continue;
            }
            if (running) {
                c.Kill();
                if (c.Began()) continue;   // it began at the last moment, and was killed: its test fails
            }
            if (restarts[i] == kClientRestarts)
                return fail(Narrow(scripts[i].name) + " never began, started " + std::to_string(kClientRestarts + 1) +
                            " times");
            ++restarts[i];
            CountRestart(scripts[i].name);
            if (!c.Restart()) return fail("cannot start " + Narrow(scripts[i].name) + " again");
            startedAt[i] = GetTickCount64();
            all = false;
        }
        if (all) return true;
        Sleep(50);
    }
}

void CScriptClient::Kill() {
    if (m_process.Running()) {
        TerminateProcess(m_process.Handle(), 99);
        m_process.Wait(10000);
    }
}

std::wstring SignalFile(const std::wstring& name) {
    std::wstring path = TempDir() + L"\\" + name;
    DeleteFileW(path.c_str());
    return path;
}

void Signal(const std::wstring& path) { WriteFileText(path, "go"); }

bool WaitForFile(const std::wstring& path, DWORD ms) {
    ULONGLONG end = GetTickCount64() + ms;
    do {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(50);
    } while (GetTickCount64() < end);
    return false;
}

std::string Narrow(const std::wstring& s) {
    std::string out(s.size() * 3 + 1, '\0');
    int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(),
                                static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}
