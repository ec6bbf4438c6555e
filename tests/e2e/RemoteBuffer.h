// A block of memory in another process, for the control messages that take
// a pointer (tree items, list-view rows, status-bar panes), and waiting on
// what another process does.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class CRemoteBuffer {
public:
    static const SIZE_T kSize = 8192;

    CRemoteBuffer() = default;
    CRemoteBuffer(HANDLE hProcess, SIZE_T size = kSize) { Attach(hProcess, size); }
    ~CRemoteBuffer() { Free(); }
    CRemoteBuffer(const CRemoteBuffer&) = delete;
    CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;

    bool Attach(HANDLE hProcess, SIZE_T size = kSize);
    void Free();
    bool Valid() const { return m_p != nullptr; }
    BYTE* At(SIZE_T offset) const { return static_cast<BYTE*>(m_p) + offset; }
    LPARAM Param(SIZE_T offset = 0) const { return reinterpret_cast<LPARAM>(At(offset)); }
    bool Write(SIZE_T offset, const void* p, SIZE_T n) const;
    bool Read(SIZE_T offset, void* p, SIZE_T n) const;
    // Reads n bytes at any address of the other process.
    bool ReadFrom(const void* pRemote, void* p, SIZE_T n) const;
    // Reads a NUL-ended text at an address of the other process.
    std::wstring ReadText(const void* pRemote, SIZE_T chars) const;

private:
    HANDLE m_hProcess = nullptr;
    void* m_p = nullptr;
};

// True once the condition holds, polled until the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD ms = 30000);
