// Zavetra.exe as the user meets it: started as tools/run starts it, its log
// window found, its tree control read from this process, its toolbar
// commands pressed; and script clients that report through files.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "Process.h"

// Commands of the log frame (menu "Trace", toolbar 131).
enum : UINT {
    kCmdBreak = 32773,
    kCmdStop = 32774,
    kCmdRestart = 32775,
    kCmdStepOver = 32776,
    kCmdReleaseMemory = 32777,
};

// The labels of a tree control of another process, read with the tree
// messages through a buffer allocated in that process.
class CRemoteTree {
public:
    CRemoteTree() = default;
    ~CRemoteTree();
    CRemoteTree(const CRemoteTree&) = delete;
    CRemoteTree& operator=(const CRemoteTree&) = delete;

    bool Attach(HWND hTree, HANDLE hProcess);
    HWND Window() const { return m_hTree; }

    HTREEITEM Root() const;
    HTREEITEM Next(HTREEITEM h) const;
    HTREEITEM Child(HTREEITEM h) const;
    std::wstring Text(HTREEITEM h) const;
    UINT Count() const;
    bool Expanded(HTREEITEM h) const;
    // Labels of the loaded root items (call lines), in order.
    std::vector<std::wstring> RootLabels() const;
    // Labels of an item's children.
    std::vector<std::wstring> ChildLabels(HTREEITEM h) const;
    // The first root item whose label contains the text, or null.
    HTREEITEM FindRoot(const std::wstring& part) const;

    // What the control shows: its first visible item, the next one down,
    // the last item that its expansions show (whether scrolled into view
    // or not), and how many whole rows fit in its client area.
    HTREEITEM FirstVisible() const;
    HTREEITEM NextVisible(HTREEITEM h) const;
    HTREEITEM LastVisible() const;
    UINT VisibleCount() const;
    // The item's whole row in the control's client coordinates; empty when
    // the control gives none.
    RECT ItemRect(HTREEITEM h) const;

private:
    HWND m_hTree = nullptr;
    HANDLE m_hProcess = nullptr;
    void* m_pRemote = nullptr;
};

// What the log window shows, read from its tree control and its external
// scroll bar.
struct ShownPage {
    UINT visibleCount = 0;              // whole rows that fit in the client area
    std::vector<HTREEITEM> rows;        // the items from the first visible one down, at most visibleCount
    std::vector<std::wstring> labels;   // their labels
    HTREEITEM lastVisible = nullptr;    // the control's last visible item
    RECT lastRowRect = {};              // the row of rows.back()
    RECT client = {};                   // the control's client area
    int rowHeight = 0;
    bool barRead = false;
    SCROLLINFO bar = {};                // the external bar's range, page and position

    // The rows fill the client area down to its bottom, and the last of them
    // is the last row the control holds.
    bool Full() const { return !rows.empty() && rows.size() >= visibleCount; }
    bool EndsWithLastRow() const { return !rows.empty() && rows.back() == lastVisible; }
    // The last row's bottom within one row of the client area's bottom.
    bool LastRowAtBottom() const {
        return !rows.empty() && lastRowRect.bottom <= client.bottom && client.bottom - lastRowRect.bottom < rowHeight;
    }
    // The external bar's thumb at the end of its range.
    bool BarAtEnd() const {
        return barRead && bar.nPos + static_cast<int>(bar.nPage) == bar.nMax + 1;
    }
    bool SameAs(const ShownPage& o) const;
};
// The page in words, for failure messages.
std::string Describe(const ShownPage& page);

// The vertical scroll bars of the log window.
struct VerticalBars {
    bool treeStyle = false;       // WS_VSCROLL in the tree control's style
    bool treeInfoRead = false;    // GetScrollBarInfo answered for the control's own bar
    bool treeInfoShown = false;   // ... and did not call it invisible
    int treeNonClientWidth = 0;   // window width less client width of the control
    bool treeRoomForBar = false;  // that width leaves room for a bar of its own beside the free strip
    bool external = false;        // the external bar control is visible
    bool TreeShowsOwn() const { return treeStyle || treeInfoShown || treeRoomForBar; }
};
std::string Describe(const VerticalBars& bars);

// Zavetra.exe, started by the user: registered, its main window and its log
// window up. Closed (main window closed, the process ends by itself) when
// the object goes.
class CZavetra {
public:
    ~CZavetra() { Quit(); }

    enum StartResult { kStarted, kNoLogThread, kFailed };
    // Starts it: kStarted with the main and the log window up; kNoLogThread
    // when the build has no log window (its start reports code 21; the
    // process is ended); kFailed otherwise.
    StartResult Start();
    // Closes the main window and waits for the end; the exit code.
    DWORD Quit();

    DWORD Pid() const { return m_process.Pid(); }
    bool Running() const { return m_process.Running(); }
    CProcess& Process() { return m_process; }
    HWND MainWindow() const { return m_hMain; }
    HWND LogFrame() const { return m_hLogFrame; }
    HWND Toolbar() const { return m_hToolbar; }
    CRemoteTree& Tree() { return m_tree; }

    // A Trace command of the log frame, as its toolbar button sends it.
    void Command(UINT id) const;
    // The toolbar button's state. The frame's idle update sets the states,
    // and it runs after a posted message; with nudge, one is posted first,
    // as any mouse movement over the window would.
    bool ButtonEnabled(UINT id, bool nudge = true) const;

    // Waits until Release Memory is offered again (no client connected).
    bool WaitForNoClients(DWORD ms = 15000);
    // Waits until a root item whose label contains the text is loaded.
    HTREEITEM WaitForLine(const std::wstring& part, DWORD ms = 30000);
    // The labels of every call line of the log, from its top to its end: the
    // view holds only the pages around the visible one, so it is paged
    // through with the keyboard.
    std::vector<std::wstring> AllCallLines();

    // The external scroll bar: control 1056 of the frame's child dialog.
    HWND ScrollBar() const;
    // A navigation key pressed in the log view, n times (sent, so each is
    // handled when this returns).
    void Key(UINT vk, int n = 1) const;
    // The page once the view has caught up with the calls: read until two
    // reads a moment apart agree (the last read after ms).
    ShownPage Page(DWORD ms = 10000) const;
    VerticalBars Bars() const;

private:
    CProcess m_process;
    HWND m_hMain = nullptr;
    HWND m_hLogFrame = nullptr;
    HWND m_hToolbar = nullptr;
    CRemoteTree m_tree;
};

// The visible top-level window of the process with that title, waited for.
HWND WaitForTopWindow(DWORD pid, const wchar_t* title, DWORD ms);
// A child window of that class (at any depth), or null.
HWND FindChildOfClass(HWND hParent, const wchar_t* cls);

// A script client: its script is written to the temp folder, run with
// cscript (which takes the engine from the extension), its console going to
// a file.
class CScriptClient {
public:
    // name: file name with .vbs or .js.
    bool Start(const std::wstring& name, const std::string& text);
    // The same script run again, its output file made anew.
    bool Restart();
    // It has printed something (its output file is not empty).
    bool Began() const;
    DWORD Wait(DWORD ms) { return m_process.Wait(ms); }
    bool Running() const { return m_process.Running(); }
    void Kill();
    std::wstring Output() const { return ReadFileText(m_out); }
    CProcess& Process() { return m_process; }

private:
    CProcess m_process;
    std::wstring m_script;
    std::wstring m_out;
};

// Script clients started at the same time. Under Wine a cscript.exe started
// together with others now and then ends without having run its script: it
// prints nothing at all. So every script started here begins with
// kVbsBegins (before it creates Zavetra.Connect or makes any call), and this
// waits until each client has printed that line; one that ended with no
// output, or printed nothing in kClientBeginMs, made no call and is started
// again, up to kClientRestarts times. A client that printed anything is
// never started again. The restarts are told on stderr and recorded as the
// test's property "clients_restarted". False when a client never began even
// then (*pWhy says which).
struct ClientScript {
    std::wstring name;   // file name with .vbs
    std::string text;    // prints kVbsBegins before it creates Zavetra.Connect
};
bool StartClientsAtOnce(const std::vector<CScriptClient*>& clients, const std::vector<ClientScript>& scripts,
                        std::string* pWhy = nullptr);
inline constexpr char kVbsBegins[] = "WScript.Echo \"began\"\n";
inline constexpr wchar_t kBeganLine[] = L"began\r\n";   // what it prints
constexpr DWORD kClientBeginMs = 30000;
constexpr int kClientRestarts = 3;

// A file whose existence a script waits for (a go signal), removed first.
std::wstring SignalFile(const std::wstring& name);
void Signal(const std::wstring& path);
bool WaitForFile(const std::wstring& path, DWORD ms);
std::string Narrow(const std::wstring& s);
