// The test executable's application object and small helpers shared by the tests.
#pragma once
#include "framework/Framework.h"
#include <functional>
#include <string>
#include <thread>
#include <vector>

class CTestApp : public CWinApp {
public:
    std::vector<std::wstring> m_exceptions;   // what reached the trampolines' catch
    std::vector<UINT> m_commands;             // commands the application handled

    // Tests close frames that became the main window; that must not end the process's loop.
    BOOL CanExitApp() override { return FALSE; }
    LRESULT ProcessWndProcException(std::exception_ptr e, const MSG* pMsg) override;

protected:
    bool OnCmd(UINT nID, int nCode) override;
};

extern CTestApp theApp;

// Runs the calling thread's messages until `done` is true or `ms` pass.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000);
void PumpFor(DWORD ms);

// The first visible dialog box (#32770) of a thread, waiting up to `ms`.
HWND FindThreadDialog(DWORD threadId, DWORD ms = 10000);

// Answers the next dialog box of a thread from another thread: records its
// caption and owner, then posts it the command.
class DialogCloser {
public:
    DialogCloser(DWORD threadId, UINT command);
    ~DialogCloser();
    std::wstring Caption() { Join(); return m_caption; }
    std::wstring Text() { Join(); return m_text; }  // a message box's text
    HWND Owner() { Join(); return m_owner; }
    bool Found() { Join(); return m_found; }
private:
    void Join() { if (m_thread.joinable()) m_thread.join(); }
    std::thread m_thread;
    std::wstring m_caption, m_text;
    HWND m_owner = nullptr;
    bool m_found = false;
};
