// Starting, watching and ending the program and its clients.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Zavetra.exe of this build (one folder above the test executable).
std::wstring ZavetraExe();
// A folder for the test's scripts and output files.
std::wstring TempDir();

// A started process; ended (WM_CLOSE to its windows, then killed after a
// timeout) when the object goes.
class CProcess {
public:
    CProcess() = default;
    ~CProcess() { End(); }
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;

    // cmdLine is the whole command line; output, if given, receives stdout
    // and stderr.
    bool Start(const std::wstring& cmdLine, const std::wstring& outputFile = L"");
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD Wait(DWORD ms);
    // Waits for the exit while watching for windows of the process.  True when
    // it ended in time; *pSawWindow tells whether a visible window appeared.
    bool WaitWatchingWindows(DWORD ms, bool* pSawWindow, DWORD* pExitCode);
    // A visible top-level window of the process other than a message box.
    // With pBoxText, a message box that appears first ends the wait (null is
    // returned and the box's text given).
    HWND WaitForMainWindow(DWORD ms, std::wstring* pBoxText = nullptr);
    void End();

    DWORD Pid() const { return m_pi.dwProcessId; }
    HANDLE Handle() const { return m_pi.hProcess; }
    bool Running() const;

private:
    PROCESS_INFORMATION m_pi = {};
};

// Visible top-level windows of a process (message boxes included).
std::vector<HWND> VisibleWindowsOf(DWORD pid);
// A message box captioned "Zavetra" (of process pid, or of any when 0),
// waited for; its text is returned in *pText.
HWND WaitForMessageBox(DWORD pid, DWORD ms, std::wstring* pText, DWORD* pOwnerPid = nullptr);
// Presses the box's OK button.
void CloseMessageBox(HWND hBox);

std::wstring ReadFileText(const std::wstring& path);
bool WriteFileText(const std::wstring& path, const std::string& text);
