#include "RemoteBuffer.h"

#include <vector>

bool CRemoteBuffer::Attach(HANDLE hProcess, SIZE_T size) {
    Free();
    m_hProcess = hProcess;
    m_p = hProcess ? VirtualAllocEx(hProcess, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) : nullptr;
    return m_p != nullptr;
}

void CRemoteBuffer::Free() {
    if (m_p) VirtualFreeEx(m_hProcess, m_p, 0, MEM_RELEASE);
    m_p = nullptr;
}

bool CRemoteBuffer::Write(SIZE_T offset, const void* p, SIZE_T n) const {
    SIZE_T done = 0;
    return m_p && WriteProcessMemory(m_hProcess, At(offset), p, n, &done) && done == n;
}

bool CRemoteBuffer::Read(SIZE_T offset, void* p, SIZE_T n) const { return m_p && ReadFrom(At(offset), p, n); }

bool CRemoteBuffer::ReadFrom(const void* pRemote, void* p, SIZE_T n) const {
    SIZE_T done = 0;
    return pRemote && ReadProcessMemory(m_hProcess, pRemote, p, n, &done) && done == n;
}

std::wstring CRemoteBuffer::ReadText(const void* pRemote, SIZE_T chars) const {
    std::vector<wchar_t> text(chars + 1, L'\0');
    SIZE_T done = 0;
    if (!pRemote || !ReadProcessMemory(m_hProcess, pRemote, text.data(), chars * sizeof(wchar_t), &done)) return L"";
    return text.data();
}

bool WaitUntil(const std::function<bool()>& condition, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(30);
    }
}
