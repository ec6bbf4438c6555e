// Pictures of windows for checking by eye: the screen's pixels under a
// window, and those written as a 24-bit bitmap file (into the folder that
// ZV_SHOT_DIR names, where a test takes its pictures there).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The folder that ZV_SHOT_DIR names, with a closing backslash; empty when
// the variable is not set.
inline std::wstring ShotFolder()
{
    wchar_t dir[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"ZV_SHOT_DIR", dir, MAX_PATH) || !dir[0])
        return std::wstring();
    return std::wstring(dir) + L"\\";
}

// The screen's pixels under a window: w by h, rows top-down, three bytes
// (red, green, blue) a pixel.
struct WindowPixels {
    int w = 0;
    int h = 0;
    std::vector<unsigned char> rgb;
    POINT origin{};   // the screen position of the first pixel
};

inline WindowPixels GrabWindow(HWND hWnd)
{
    RECT rc{};
    ::GetWindowRect(hWnd, &rc);
    WindowPixels px;
    px.w = rc.right - rc.left;
    px.h = rc.bottom - rc.top;
    px.origin = {rc.left, rc.top};
    HDC hScreen = ::GetDC(nullptr);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), px.w, -px.h, 1, 32, BI_RGB};
    void* pBits = nullptr;
    HBITMAP hBmp = ::CreateDIBSection(hScreen, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(hMem, hBmp);
    ::BitBlt(hMem, 0, 0, px.w, px.h, hScreen, rc.left, rc.top, SRCCOPY);
    ::GdiFlush();
    if (pBits) {
        const size_t n = static_cast<size_t>(px.w) * px.h;
        const auto* p = static_cast<const unsigned char*>(pBits);
        px.rgb.resize(n * 3);
        for (size_t i = 0; i < n; ++i) {
            px.rgb[i * 3] = p[i * 4 + 2];
            px.rgb[i * 3 + 1] = p[i * 4 + 1];
            px.rgb[i * 3 + 2] = p[i * 4];
        }
    }
    ::SelectObject(hMem, old);
    ::DeleteObject(hBmp);
    ::DeleteDC(hMem);
    ::ReleaseDC(nullptr, hScreen);
    return px;
}

// The colours of the pixels of the picture that lie in a screen rectangle.
inline std::vector<COLORREF> PixelsIn(const WindowPixels& px, const RECT& rcScreen)
{
    std::vector<COLORREF> out;
    for (int y = rcScreen.top - px.origin.y; y < rcScreen.bottom - px.origin.y; ++y) {
        for (int x = rcScreen.left - px.origin.x; x < rcScreen.right - px.origin.x; ++x) {
            if (x < 0 || y < 0 || x >= px.w || y >= px.h) continue;
            const unsigned char* p = px.rgb.data() + (static_cast<size_t>(y) * px.w + x) * 3;
            out.push_back(RGB(p[0], p[1], p[2]));
        }
    }
    return out;
}

// Writes the screen's pixels under the window as a 24-bit bitmap file at
// path; false when the file cannot be written in full.
inline bool WriteWindowBitmap(HWND hWnd, const std::wstring& path)
{
    const WindowPixels px = GrabWindow(hWnd);
    if (px.rgb.empty() && px.w > 0 && px.h > 0) return false;
    // Rows bottom-up, blue-green-red, each padded to four bytes.
    const DWORD stride = (px.w * 3 + 3) & ~3u;
    const DWORD size = stride * px.h;
    std::vector<unsigned char> rows(size);
    for (int y = 0; y < px.h; ++y) {
        const unsigned char* pFrom = px.rgb.data() + static_cast<size_t>(px.h - 1 - y) * px.w * 3;
        unsigned char* pTo = rows.data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < px.w; ++x) {
            pTo[x * 3] = pFrom[x * 3 + 2];
            pTo[x * 3 + 1] = pFrom[x * 3 + 1];
            pTo[x * 3 + 2] = pFrom[x * 3];
        }
    }
    BITMAPINFOHEADER ih{sizeof(BITMAPINFOHEADER), px.w, px.h, 1, 24, BI_RGB};
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(ih);
    fh.bfSize = fh.bfOffBits + size;
    bool ok = false;
    HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile != INVALID_HANDLE_VALUE) {
        DWORD n = 0;
        ok = ::WriteFile(hFile, &fh, sizeof(fh), &n, nullptr) && ::WriteFile(hFile, &ih, sizeof(ih), &n, nullptr) &&
             ::WriteFile(hFile, rows.data(), size, &n, nullptr) && n == size;
        ::CloseHandle(hFile);
    }
    return ok;
}
