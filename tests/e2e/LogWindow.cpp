#include "LogWindow.h"

#include <commctrl.h>

#include <set>

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

// ---- script clients -----------------------------------------------------------------

bool CScriptClient::Start(const std::wstring& name, const std::string& text) {
    const std::wstring script = TempDir() + L"\\" + name;
    m_out = script + L".out";
    DeleteFileW(m_out.c_str());
    if (!WriteFileText(script, text)) return false;
    return m_process.Start(L"cscript.exe //nologo " + Quoted(script), m_out);
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
