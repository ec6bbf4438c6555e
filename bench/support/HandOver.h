// The hand-over protocol between Zavetra's main thread and its log thread,
// alone: the main frame hands a call over as a sent UM_ADD_ENTRY; the log
// frame posts UM_CONTINUE back to the main frame's window, which its wait
// loop takes with GetMessageW filtered to the wait messages. Here the same
// between the creating thread and a second thread of the process, with
// nothing else done: a message-only window on the second thread, which runs
// a message loop, and one on the creating thread for the answer.
#pragma once
#include <windows.h>

class CHandOver {
public:
    CHandOver();    // starts the second thread
    ~CHandOver();   // ends it
    CHandOver(const CHandOver&) = delete;
    CHandOver& operator=(const CHandOver&) = delete;

    // One hand-over: the send, the posted answer, the wait loop (seconds).
    // Only on the creating thread.
    double RoundTrip() const;
    // The bare cross-thread send (seconds).
    double Send() const;

private:
    HANDLE m_hThread = nullptr;
    DWORD m_idThread = 0;
    HWND m_hLogEnd = nullptr;
    HWND m_hMainEnd = nullptr;
};
