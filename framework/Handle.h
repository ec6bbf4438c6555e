// A small move-only owner for system handles, with one alias per kind.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <utility>

// Traits: `pointer` is the handle type, invalid() the empty value and
// close() the one call that releases a handle.
template <class Traits>
class UniqueHandle {
public:
    using pointer = typename Traits::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer h) noexcept : m_h(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    pointer get() const noexcept { return m_h; }
    explicit operator bool() const noexcept { return m_h != Traits::invalid(); }

    // Closes the held handle and takes `h`.
    void reset(pointer h = Traits::invalid()) noexcept {
        if (m_h != Traits::invalid()) Traits::close(m_h);
        m_h = h;
    }
    // Gives the handle away without closing it.
    pointer release() noexcept { return std::exchange(m_h, Traits::invalid()); }
    // For out-parameters: closes the held handle, then hands out its address.
    pointer* put() noexcept { reset(); return &m_h; }

private:
    pointer m_h = Traits::invalid();
};

namespace handle_traits {
struct Key      { using pointer = HKEY;       static pointer invalid() { return nullptr; } static void close(pointer h) { ::RegCloseKey(h); } };
template <class T>
struct Gdi      { using pointer = T;          static pointer invalid() { return nullptr; } static void close(pointer h) { ::DeleteObject(h); } };
struct Menu     { using pointer = HMENU;      static pointer invalid() { return nullptr; } static void close(pointer h) { ::DestroyMenu(h); } };
struct Icon     { using pointer = HICON;      static pointer invalid() { return nullptr; } static void close(pointer h) { ::DestroyIcon(h); } };
struct Dc       { using pointer = HDC;        static pointer invalid() { return nullptr; } static void close(pointer h) { ::DeleteDC(h); } };
struct ImageList{ using pointer = HIMAGELIST; static pointer invalid() { return nullptr; } static void close(pointer h) { ::ImageList_Destroy(h); } };
// Thread, event and other kernel handles that use null as "none".
struct Kernel   { using pointer = HANDLE;     static pointer invalid() { return nullptr; } static void close(pointer h) { ::CloseHandle(h); } };
// File handles, whose "none" is INVALID_HANDLE_VALUE.
struct File     { using pointer = HANDLE;     static pointer invalid() { return INVALID_HANDLE_VALUE; } static void close(pointer h) { ::CloseHandle(h); } };
}  // namespace handle_traits

using UniqueHKey       = UniqueHandle<handle_traits::Key>;
using UniqueHFont      = UniqueHandle<handle_traits::Gdi<HFONT>>;
using UniqueHBrush     = UniqueHandle<handle_traits::Gdi<HBRUSH>>;
using UniqueHBitmap    = UniqueHandle<handle_traits::Gdi<HBITMAP>>;
using UniqueHPen       = UniqueHandle<handle_traits::Gdi<HPEN>>;
using UniqueHRgn       = UniqueHandle<handle_traits::Gdi<HRGN>>;
using UniqueHMenu      = UniqueHandle<handle_traits::Menu>;
using UniqueHDC        = UniqueHandle<handle_traits::Dc>;    // a memory DC
using UniqueHIcon      = UniqueHandle<handle_traits::Icon>;
using UniqueHImageList = UniqueHandle<handle_traits::ImageList>;
using UniqueHThread    = UniqueHandle<handle_traits::Kernel>;
using UniqueHEvent     = UniqueHandle<handle_traits::Kernel>;
using UniqueHKernel    = UniqueHandle<handle_traits::Kernel>;
using UniqueHFile      = UniqueHandle<handle_traits::File>;
