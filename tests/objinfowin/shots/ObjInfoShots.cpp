// Pictures of the window for checking by eye: the program objinfo_shots,
// which tools/objinfo-screenshots runs (it is not part of the test suite).
// A Scripting.Dictionary's record, then one of its members, an object of the
// capture tests' type library with a member selected, and the dictionary's
// Add in a narrow window. Each is written as a bitmap into the folder named
// by ZV_SHOT_DIR.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "CaptureTest_h.h"
#include "common/WindowShot.h"
#include "WindowFixture.h"

namespace {

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
    void Shoot(const wchar_t* name) {
        ::SetForegroundWindow(*m_pFrame);
        m_pFrame->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        for (int i = 0; i < 20; ++i) {
            Pump();
            ::Sleep(25);
        }
        EXPECT_TRUE(WriteWindowBitmap(*m_pFrame, ShotFolder() + name)) << "saving " << name;
    }
};

TEST_F(ObjInfoScreenshot, DictionaryAndTestObject) {
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
