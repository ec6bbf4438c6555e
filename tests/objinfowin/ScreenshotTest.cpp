// Pictures of the window for checking by eye, taken by tools/objinfo-screenshots
// (disabled in the suite): a Scripting.Dictionary's record, then one of its
// members, an object of the capture tests' type library with a member
// selected, and the dictionary's Add in a narrow window. Each is written as
// a bitmap into the folder named by ZV_SHOT_DIR.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>
#include "CaptureTest_h.h"
#include "WindowFixture.h"

namespace {

// Writes the screen's pixels under the window as a 24-bit bitmap file.
bool SaveWindow(HWND h, const std::wstring& path) {
    RECT rc;
    ::GetWindowRect(h, &rc);
    const int w = rc.right - rc.left, ht = rc.bottom - rc.top;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = ht;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, ht, screen, rc.left, rc.top, SRCCOPY);
    ::SelectObject(mem, old);
    const DWORD stride = ((w * 3 + 3) / 4) * 4;
    const DWORD size = stride * ht;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + size;
    bool ok = false;
    if (FILE* f = _wfopen(path.c_str(), L"wb")) {
        ok = fwrite(&fh, sizeof(fh), 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof(bi.bmiHeader), 1, f) == 1 &&
             fwrite(bits, 1, size, f) == size;
        fclose(f);
    }
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

CObjInfo* DictionaryRecord() {
    CLSID clsid{};
    if (FAILED(::CLSIDFromProgID(L"Scripting.Dictionary", &clsid))) return nullptr;
    IDispatch* disp = nullptr;
    if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&disp))))
        return nullptr;
    ITypeInfo* info = nullptr;
    CObjInfo* record = nullptr;
    if (SUCCEEDED(disp->GetTypeInfo(0, 0, &info)) && info) {
        record = CObjInfo::Build(info);
        info->Release();
    }
    disp->Release();
    return record;
}

class ObjInfoScreenshot : public ObjInfoWindowTest {
protected:
    std::wstring Folder() {
        WCHAR dir[MAX_PATH] = {};
        ::GetEnvironmentVariableW(L"ZV_SHOT_DIR", dir, MAX_PATH);
        return dir[0] ? std::wstring(dir) + L"\\" : std::wstring();
    }
    void Shoot(const wchar_t* name) {
        ::SetForegroundWindow(*m_pFrame);
        m_pFrame->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        for (int i = 0; i < 20; ++i) {
            Pump();
            ::Sleep(25);
        }
        EXPECT_TRUE(SaveWindow(*m_pFrame, Folder() + name)) << "saving " << name;
    }
};

TEST_F(ObjInfoScreenshot, DISABLED_DictionaryAndTestObject) {
    CObjInfo* dictionary = DictionaryRecord();
    ASSERT_NE(nullptr, dictionary) << "Scripting.Dictionary";
    ITypeInfo* test = TestTypeInfo(DIID_DTestObject);
    ASSERT_NE(nullptr, test);
    CObjInfo* object = CObjInfo::Build(test);
    test->Release();
    ASSERT_NE(nullptr, object);

    Add(object);
    Add(dictionary);
    Shoot(L"objinfo-1-dictionary.bmp");

    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IDictionary"), L"Exists")));
    Shoot(L"objinfo-2-dictionary-member.bmp");

    HTREEITEM item = ChildItem(RootItem(L"DTestObject"), L"Optional");
    ASSERT_NE(nullptr, item);
    ASSERT_TRUE(Tree().SelectItem(item));
    Tree().EnsureVisible(item);
    Shoot(L"objinfo-3-test-object-member.bmp");

    // A member whose declaration needs one row per line at this width.
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IDictionary"), L"Add")));
    Tree().EnsureVisible(Tree().GetSelectedItem());
    m_pFrame->MoveWindow(20, 20, 380, 600, TRUE);
    Pump();
    EXPECT_GT(Data().DeclarationList().GetItemCount(), 1) << "the declaration still fits one row";
    Shoot(L"objinfo-4-dictionary-add-narrow.bmp");
}

}  // namespace
