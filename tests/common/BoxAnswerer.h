// Answers the program's message boxes while a test runs: a thread that
// finds every visible box of this process captioned "Zavetra", keeps its
// text and answers it.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

// Answers every message box captioned "Zavetra" with m_nAnswer (a command
// id: IDOK, IDYES, ...) and keeps its text; from construction to destruction.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int nAnswer) : m_nAnswer(nAnswer)
    {
        ::InitializeCriticalSection(&m_cs);
        m_hThread = ::CreateThread(nullptr, 0, &BoxAnswerer::Run, this, 0, nullptr);
    }
    ~BoxAnswerer()
    {
        m_bStop = true;
        ::WaitForSingleObject(m_hThread, 5000);
        ::CloseHandle(m_hThread);
        ::DeleteCriticalSection(&m_cs);
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // The texts of the boxes answered so far.
    std::vector<std::wstring> Texts()
    {
        ::EnterCriticalSection(&m_cs);
        std::vector<std::wstring> t = m_texts;
        ::LeaveCriticalSection(&m_cs);
        return t;
    }

    volatile int m_nAnswer;

private:
    static BOOL CALLBACK CollectBox(HWND hWnd, LPARAM lParam)
    {
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

    static DWORD WINAPI Run(LPVOID p)
    {
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
            // A box that is gone is forgotten, so that a reused handle counts again.
            done.erase(std::remove_if(done.begin(), done.end(), [](HWND h) { return !::IsWindow(h); }),
                       done.end());
            ::Sleep(20);
        }
        return 0;
    }

    HANDLE m_hThread = nullptr;
    volatile bool m_bStop = false;
    CRITICAL_SECTION m_cs;
    std::vector<std::wstring> m_texts;
};
