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

private:
    HWND m_hTree = nullptr;
    HANDLE m_hProcess = nullptr;
    void* m_pRemote = nullptr;
};

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

    // Waits until a root item whose label contains the text is loaded.
    HTREEITEM WaitForLine(const std::wstring& part, DWORD ms = 30000);
    // The labels of every call line of the log, from its top to its end: the
    // view holds only the pages around the visible one, so it is paged
    // through with the keyboard.
    std::vector<std::wstring> AllCallLines();

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
    DWORD Wait(DWORD ms) { return m_process.Wait(ms); }
    bool Running() const { return m_process.Running(); }
    void Kill();
    std::wstring Output() const { return ReadFileText(m_out); }
    CProcess& Process() { return m_process; }

private:
    CProcess m_process;
    std::wstring m_out;
};

// A file whose existence a script waits for (a go signal), removed first.
std::wstring SignalFile(const std::wstring& name);
void Signal(const std::wstring& path);
bool WaitForFile(const std::wstring& path, DWORD ms);
std::string Narrow(const std::wstring& s);
