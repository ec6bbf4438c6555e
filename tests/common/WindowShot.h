// Pictures of windows for checking by eye: the screen's pixels under a
// window written as a 24-bit bitmap file, into the folder that ZV_SHOT_DIR
// names.
#pragma once
#include <windows.h>

#include <string>

// The folder that ZV_SHOT_DIR names, with a closing backslash; empty when
// the variable is not set.
inline std::wstring ShotFolder()
{
    wchar_t dir[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"ZV_SHOT_DIR", dir, MAX_PATH) || !dir[0])
        return std::wstring();
    return std::wstring(dir) + L"\\";
}

// Writes the screen's pixels under the window as a 24-bit bitmap file at
// path; false when the file cannot be written in full.
inline bool WriteWindowBitmap(HWND hWnd, const std::wstring& path)
{
    RECT rc{};
    ::GetWindowRect(hWnd, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC hScreen = ::GetDC(nullptr);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* pBits = nullptr;
    HBITMAP hBmp = ::CreateDIBSection(hScreen, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(hMem, hBmp);
    ::BitBlt(hMem, 0, 0, w, h, hScreen, rc.left, rc.top, SRCCOPY);
    ::SelectObject(hMem, old);
    ::GdiFlush();
    const DWORD stride = (w * 3 + 3) & ~3u;
    const DWORD size = stride * h;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + size;
    bool ok = false;
    HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile != INVALID_HANDLE_VALUE) {
        DWORD n = 0;
        ok = pBits && ::WriteFile(hFile, &fh, sizeof(fh), &n, nullptr) &&
             ::WriteFile(hFile, &bi.bmiHeader, sizeof(bi.bmiHeader), &n, nullptr) &&
             ::WriteFile(hFile, pBits, size, &n, nullptr) && n == size;
        ::CloseHandle(hFile);
    }
    ::DeleteObject(hBmp);
    ::DeleteDC(hMem);
    ::ReleaseDC(nullptr, hScreen);
    return ok;
}
