// The object-information window with its member tree and data view: record
// order, deletion, the rows of the three lists and copying them.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>
#include "CaptureTest_h.h"
#include "WindowFixture.h"
#include "resources/ObjInfoRes.h"

namespace {

using Rows = std::vector<std::wstring>;

// A method with three parameters of every kind of row, a variable, a
// property pair.
CObjInfo* MakeThing(LPCWSTR name) {
    return MakeRecord(name, {
        {L"Add", CMemberInfo::MK_METHOD, L"LONG", 10, L"Adds",
         {{L"LONG", L"a"},
          {L"VARIANT", L"b", CParamInfo::PF_IN | CParamInfo::PF_OPTIONAL | CParamInfo::PF_HASDEFAULT, L"7"},
          {L"BSTR*", L"c", CParamInfo::PF_OUT | CParamInfo::PF_RETVAL}}},
        {L"count", CMemberInfo::MK_PERINSTANCE, L"LONG", 3},
        {L"Value", CMemberInfo::MK_PROPGET, L"VARIANT", 0},
        {L"Value", CMemberInfo::MK_PROPPUT, L"void", 0, L"", {{L"VARIANT", L""}}},
    });
}

std::wstring ClipboardText() {
    std::wstring text = L"(none)";
    if (!::OpenClipboard(nullptr)) return L"(not open)";
    if (HANDLE h = ::GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(::GlobalLock(h))) {
            text = p;
            ::GlobalUnlock(h);
        }
    }
    ::CloseClipboard();
    return text;
}

void SetClipboardText(const std::wstring& text) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(::GlobalLock(mem), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(mem);
    ::SetClipboardData(CF_UNICODETEXT, mem);
    ::CloseClipboard();
}

void SetCtrlDown(bool down) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    keys[VK_LCONTROL] = down ? 0x80 : 0;
    ::SetKeyboardState(keys);
}

void SelectRows(CListCtrl& list, std::initializer_list<int> rows) {
    list.SetItemState(-1, 0, LVIS_SELECTED);
    for (int i : rows) list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
}

// --- records in the tree and the document ---------------------------------------------

TEST_F(ObjInfoWindowTest, RecordsShowNewestFirstAndTheNewOneIsSelected) {
    Add(MakeThing(L"IFirst"));
    Add(MakeRecord(L"ISecond"));
    Add(MakeThing(L"IThird"));
    EXPECT_EQ((Rows{L"IThird", L"ISecond", L"IFirst"}), RootTexts());
    EXPECT_EQ(RootTexts(), DocNames());
    EXPECT_EQ(L"IThird", SelectedRecordText());
    EXPECT_EQ(L"IThird", ShownRecordName());
    // Members in the order of their lower-cased names; a record without
    // members has no children.
    HTREEITEM third = RootItem(L"IThird");
    Rows children;
    for (HTREEITEM h = Tree().GetChildItem(third); h; h = Tree().GetNextSiblingItem(h))
        children.push_back(Tree().GetItemText(h));
    EXPECT_EQ((Rows{L"Add", L"count", L"Value", L"Value"}), children);
    EXPECT_TRUE(Tree().GetItemState(third, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(nullptr, Tree().GetChildItem(RootItem(L"ISecond")));
}

TEST_F(ObjInfoWindowTest, EachMemberKindHasItsImage) {
    using M = CMemberInfo;
    Add(MakeRecord(L"IKinds", {{L"a_method", M::MK_METHOD}, {L"b_get", M::MK_PROPGET}, {L"c_put", M::MK_PROPPUT},
                               {L"d_putref", M::MK_PROPPUTREF}, {L"e_field", M::MK_PERINSTANCE},
                               {L"f_const", M::MK_CONST}, {L"g_dispatch", M::MK_DISPATCH}}));
    auto image = [&](HTREEITEM h) {
        TVITEMW item{};
        item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
        item.hItem = h;
        EXPECT_TRUE(Tree().GetItem(&item));
        EXPECT_EQ(item.iImage, item.iSelectedImage);
        return item.iImage;
    };
    const HTREEITEM record = RootItem(L"IKinds");
    EXPECT_EQ(1, image(record));
    Rows shown;
    std::vector<int> images;
    for (HTREEITEM h = Tree().GetChildItem(record); h; h = Tree().GetNextSiblingItem(h)) {
        shown.push_back(Tree().GetItemText(h));
        images.push_back(image(h));
    }
    EXPECT_EQ((Rows{L"a_method", L"b_get", L"c_put", L"d_putref", L"e_field", L"f_const", L"g_dispatch"}), shown);
    EXPECT_EQ((std::vector<int>{2, 3, 4, 5, 6, 6, 6}), images);
}

TEST_F(ObjInfoWindowTest, DeletingARecordLeavesTreeAndDataViewOnTheSameRecord) {
    struct Case { std::vector<LPCWSTR> added; LPCWSTR deleted; Rows left; LPCWSTR shown; };
    const Case cases[] = {
        {{L"IA", L"IB", L"IC"}, L"IB", {L"IC", L"IA"}, L"IA"},   // the middle one: the older below it
        {{L"IA", L"IB", L"IC"}, L"IA", {L"IC", L"IB"}, L"IC"},   // the oldest: the newest
        {{L"IA", L"IB", L"IC"}, L"IC", {L"IB", L"IA"}, L"IB"},   // the newest: the one below it
        {{L"IA"}, L"IA", {}, L""},                               // the only one: none
    };
    for (const Case& c : cases) {
        CloseWindow();
        OpenWindow();
        for (LPCWSTR name : c.added) Add(MakeThing(name));
        ASSERT_TRUE(Tree().SelectItem(RootItem(c.deleted))) << c.deleted;
        Pump();
        ASSERT_EQ(c.deleted, ShownRecordName());
        m_pFrame->ItemView()->SendMessage(WM_COMMAND, ID_OBJINFO_DELETE, 0);
        Pump();
        EXPECT_EQ(c.left, RootTexts()) << c.deleted;
        EXPECT_EQ(c.left, DocNames()) << c.deleted;
        EXPECT_EQ(c.shown, SelectedRecordText()) << c.deleted;
        EXPECT_EQ(c.shown, ShownRecordName()) << c.deleted;
    }
}

TEST_F(ObjInfoWindowTest, DeleteActsOnRecordItemsOnlyAndDeleteAllEmptiesBoth) {
    Add(MakeThing(L"IA"));
    Add(MakeThing(L"IB"));
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IA"), L"Add")));
    Pump();
    m_pFrame->ItemView()->SendMessage(WM_COMMAND, ID_OBJINFO_DELETE, 0);
    Pump();
    EXPECT_EQ((Rows{L"IB", L"IA"}), DocNames());

    m_pFrame->ItemView()->SendMessage(WM_COMMAND, ID_OBJINFO_DELETE_ALL, 0);
    Pump();
    EXPECT_TRUE(RootTexts().empty());
    EXPECT_EQ(nullptr, m_pDoc->m_pHead);
    EXPECT_EQ(0, Data().InterfaceList().GetItemCount());
}

// --- the rows of the lists ----------------------------------------------------------

TEST_F(ObjInfoWindowTest, InterfaceRowsShowWhatTheRecordHas) {
    const GUID iid = {0x11223344, 0x5566, 0x7788, {0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00}};
    const GUID libid = {0xA1B2C3D4, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};
    CObjInfo* full = MakeRecord(L"IFull");
    full->m_bDispatch = false;
    full->m_doc = L"A full record";
    full->m_iid = iid;
    full->m_libid = libid;
    full->m_pPairs = new CNameValue[4];
    full->m_nPairs = 4;
    full->m_pPairs[0].m_name = L"\\1.0\\0\\win32";
    full->m_pPairs[0].m_value = L"C:\\lib32.tlb";
    full->m_pPairs[1].m_name = L"\\1.0\\0\\win64";   // no file: skipped
    full->m_pPairs[2].m_value = L"C:\\unnamed.tlb";  // no name: the end
    full->m_pPairs[3].m_name = L"\\2.0\\0\\win32";
    full->m_pPairs[3].m_value = L"C:\\after.tlb";
    Add(full);
    EXPECT_EQ((Rows{L"Kind|Interface", L"Name|IFull", L"IID|{11223344-5566-7788-99AA-BBCCDDEEFF00}",
                    L"Document|A full record", L" | ", L"TypeLib|{A1B2C3D4-1111-2222-3333-444455556666}",
                    L"\\1.0\\0\\win32|C:\\lib32.tlb"}),
              ListRows(Data().InterfaceList()));
    // A record selected: no member, and one empty heading row of declaration.
    EXPECT_EQ(0, Data().MemberList().GetItemCount());
    EXPECT_EQ((Rows{L"*"}), ListRows(Data().DeclarationList()));

    // Without documentation, IID or library: those rows are left out.
    Add(MakeRecord(L"IBare"));
    EXPECT_EQ((Rows{L"Kind|DispInterface", L"Name|IBare"}), ListRows(Data().InterfaceList()));
}

TEST_F(ObjInfoWindowTest, MemberRowsShowKindDetailsAndArguments) {
    Add(MakeThing(L"IThing"));
    struct Case { LPCWSTR member; int nth; Rows rows; Rows declaration; };
    const Case cases[] = {
        {L"Add", 0,
         {L"*Method| ", L"  Type|LONG", L"  Name|Add", L"  ID|10, 0x0000000a", L"  Document|Adds", L" | ",
          L"*Argument|0", L"  Type|LONG", L"  Name|a", L"  Attribute|in",
          L"*Argument|1", L"  Type|VARIANT", L"  Name|b", L"  Default|7", L"  Attribute|in, optional",
          L"*Argument|2", L"  Type|BSTR*", L"  Name|c", L"  Attribute|out, retval"},
         {L"*LONG Add ( LONG a, VARIANT b, BSTR* c )"}},
        {L"count", 0, {L"*PerInstance| ", L"  Type|LONG", L"  Name|count", L"  ID|3, 0x00000003"},
         {L"*LONG count"}},
        {L"Value", 0, {L"*Property Get| ", L"  Type|VARIANT", L"  Name|Value", L"  ID|0, 0x00000000"},
         {L"*VARIANT Value (  )"}},
        // A put's value parameter has no name: its row is left out.
        {L"Value", 1,
         {L"*Property Put| ", L"  Type|void", L"  Name|Value", L"  ID|0, 0x00000000", L" | ",
          L"*Argument|0", L"  Type|VARIANT", L"  Attribute|in"},
         {L"*void Value ( VARIANT  )"}},
    };
    for (const Case& c : cases) {
        HTREEITEM item = ChildItem(RootItem(L"IThing"), c.member);
        for (int i = 0; i < c.nth; ++i) item = Tree().GetNextSiblingItem(item);
        ASSERT_NE(nullptr, item) << c.member;
        ASSERT_TRUE(Tree().SelectItem(item));
        Pump();
        EXPECT_EQ(c.rows, ListRows(Data().MemberList())) << c.member << " " << c.nth;
        EXPECT_EQ(c.declaration, ListRows(Data().DeclarationList())) << c.member << " " << c.nth;
        // The interface list shows the member's record.
        EXPECT_EQ(L"IThing", ShownRecordName());
    }
}

TEST_F(ObjInfoWindowTest, RecordsBuiltFromTypeInformationShowTheirInterfaceAndMembers) {
    ITypeInfo* font = StdOleTypeInfo(L"IFont");
    ASSERT_NE(nullptr, font);
    CObjInfo* info = CObjInfo::Build(font);
    font->Release();
    ASSERT_NE(nullptr, info);
    Add(info);
    const Rows rows = ListRows(Data().InterfaceList());
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(L"Kind|Interface", rows[0]);
    EXPECT_EQ(L"Name|IFont", rows[1]);
    EXPECT_EQ(L"IID|{BEF6E002-A874-101A-8BBA-00AA00300CAB}", rows[2]);

    ITypeInfo* test = TestTypeInfo(DIID_DTestObject);
    ASSERT_NE(nullptr, test);
    CObjInfo* dispatch = CObjInfo::Build(test);
    test->Release();
    ASSERT_NE(nullptr, dispatch);
    Add(dispatch);
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"DTestObject"), L"Optional")));
    Pump();
    EXPECT_EQ((Rows{L"*Property Get| ", L"  Type|LONG", L"  Name|Optional", L"  ID|14, 0x0000000e", L" | ",
                    L"*Argument|0", L"  Type|VARIANT", L"  Name|x", L"  Attribute|in, optional"}),
              ListRows(Data().MemberList()));
    EXPECT_EQ(L"Kind|DispInterface", ListRows(Data().InterfaceList())[0]);
}

// --- the declaration's form -----------------------------------------------------------

TEST_F(ObjInfoWindowTest, DeclarationFormFollowsTheWidthAroundTheLimit) {
    Add(MakeThing(L"IThing"));
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IThing"), L"Add")));
    Pump();
    CListCtrlEx& decl = Data().DeclarationList();
    const int s = decl.GetStringWidth(L"LONG Add ( LONG a, VARIANT b, BSTR* c )");
    ASSERT_GT(s, 0);
    const Rows one = {L"*LONG Add ( LONG a, VARIANT b, BSTR* c )"};
    const Rows multi = {L"*LONG Add (", L"*    LONG a ,", L"*    VARIANT b ,", L"*    BSTR* c", L"*)"};
    // The view's width w leaves the list w - 20; the one line is wanted while
    // it is narrower than that less 10: w > s + 30. One resize each.
    struct Step { int width; const Rows* rows; };
    const Step steps[] = {
        {s + 31, &one}, {s + 30, &multi}, {s + 31, &one}, {s + 29, &multi},
        {s + 200, &one}, {s / 2, &multi}, {s + 32, &one},
    };
    RECT wr;
    Data().GetWindowRect(&wr);
    m_pFrame->Splitter().ScreenToClient(&wr);
    for (const Step& step : steps) {
        ::MoveWindow(Data(), wr.left, wr.top, step.width, wr.bottom - wr.top, TRUE);
        Pump();
        EXPECT_EQ(*step.rows, ListRows(decl)) << "width s + " << step.width - s;
        // The list is as tall as its rows (up to 20).
        RECT lr, r0;
        decl.GetWindowRect(&lr);
        ASSERT_TRUE(decl.GetItemRect(0, &r0, LVIR_BOUNDS));
        EXPECT_EQ(r0.top + (r0.bottom - r0.top) * static_cast<int>(step.rows->size()), lr.bottom - lr.top);
    }
}

TEST_F(ObjInfoWindowTest, ALongDeclarationShowsTwentyRowsAlsoWhenScrolled) {
    std::vector<ParamDef> params;
    static const wchar_t* names[] = {L"p0", L"p1", L"p2", L"p3", L"p4", L"p5", L"p6", L"p7", L"p8", L"p9",
                                     L"p10", L"p11", L"p12", L"p13", L"p14", L"p15", L"p16", L"p17", L"p18",
                                     L"p19", L"p20", L"p21", L"p22", L"p23", L"p24"};
    for (const wchar_t* n : names) params.push_back({L"LONG", n});
    Add(MakeRecord(L"ILong", {{L"Many", CMemberInfo::MK_METHOD, L"LONG", 1, L"", params}}));
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"ILong"), L"Many")));
    Pump();
    CListCtrlEx& decl = Data().DeclarationList();
    ASSERT_EQ(27, decl.GetItemCount()) << "multi-line: opening, 25 parameters, closing";
    RECT r0;
    ASSERT_TRUE(decl.GetItemRect(0, &r0, LVIR_BOUNDS));
    const int expected = r0.top + 20 * (r0.bottom - r0.top);
    RECT lr;
    decl.GetWindowRect(&lr);
    EXPECT_EQ(expected, lr.bottom - lr.top);

    // Scrolled to its end, the list keeps its height at the next layout.
    decl.EnsureVisible(26, FALSE);
    ASSERT_GT(decl.GetTopIndex(), 0);
    m_pFrame->MoveWindow(20, 20, 810, 620, TRUE);
    Pump();
    decl.GetWindowRect(&lr);
    EXPECT_EQ(expected, lr.bottom - lr.top);
}

// --- copying -----------------------------------------------------------------------

TEST_F(ObjInfoWindowTest, CopyPutsTheSelectedRowsOnTheClipboard) {
    Add(MakeThing(L"IThing"));
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IThing"), L"Add")));
    Pump();
    CListCtrlEx& members = Data().MemberList();
    SelectRows(members, {1, 2, 4});

    struct Key { bool ctrl; UINT vk; bool copies; };
    const Key keys[] = {{true, 'C', true}, {false, 'C', false}, {true, 'X', false}, {true, VK_INSERT, false}};
    for (const Key& k : keys) {
        SetClipboardText(L"untouched");
        SetCtrlDown(k.ctrl);
        members.SendMessage(WM_KEYDOWN, k.vk, 0);
        SetCtrlDown(false);
        Pump();
        EXPECT_EQ(k.copies ? L"LONG\r\nAdd\r\nAdds" : L"untouched", ClipboardText()) << k.ctrl << " " << k.vk;
    }

    // "Copy" of the context menu reaches the list as its command.
    SetClipboardText(L"untouched");
    SelectRows(members, {6, 7});
    members.SendMessage(WM_COMMAND, ID_OBJINFO_COPY, 0);
    Pump();
    EXPECT_EQ(L"0\r\nLONG", ClipboardText());

    // The declaration list copies its only column; nothing selected copies nothing.
    RECT wr;
    Data().GetWindowRect(&wr);
    m_pFrame->Splitter().ScreenToClient(&wr);
    ::MoveWindow(Data(), wr.left, wr.top, 60, wr.bottom - wr.top, TRUE);
    Pump();
    CListCtrlEx& decl = Data().DeclarationList();
    ASSERT_EQ(5, decl.GetItemCount());
    SelectRows(decl, {0, 4});
    decl.SendMessage(WM_COMMAND, ID_OBJINFO_COPY, 0);
    Pump();
    EXPECT_EQ(L"LONG Add (\r\n)", ClipboardText());
    SetClipboardText(L"untouched");
    SelectRows(decl, {});
    decl.SendMessage(WM_COMMAND, ID_OBJINFO_COPY, 0);
    Pump();
    EXPECT_EQ(L"untouched", ClipboardText());
}

// Another program holds the clipboard open for a moment: the copy waits
// for it rather than reporting an error (which would close the window).
TEST_F(ObjInfoWindowTest, ACopyWaitsWhileAnotherProgramHoldsTheClipboardOpen) {
    Add(MakeThing(L"IThing"));
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IThing"), L"Add")));
    Pump();
    CListCtrlEx& members = Data().MemberList();
    SelectRows(members, {1, 2, 4});
    SetClipboardText(L"untouched");
    // The other program is this test program, started to hold it.
    HANDLE hHeld = ::CreateEventW(nullptr, TRUE, FALSE, L"ZvTestClipboardHeld");
    ASSERT_NE(nullptr, hHeld);
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(self) + L"\" --hold-clipboard 500 ZvTestClipboardHeld";
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    const bool bHeld = ::WaitForSingleObject(hHeld, 10000) == WAIT_OBJECT_0;
    // An error box would hold the copy: it is pressed away and remembered.
    const DWORD tid = ::GetCurrentThreadId();
    std::atomic<bool> done{false}, boxShown{false};
    std::thread watcher([&] {
        while (!done) {
            ::Sleep(25);
            HWND box = ::FindWindowW(L"#32770", L"Zavetra");
            if (box && ::GetWindowThreadProcessId(box, nullptr) == tid) {
                boxShown = true;
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
        }
    });
    if (bHeld) {
        // The list posts the copy to its view: it runs while the clipboard is held.
        members.SendMessage(WM_COMMAND, ID_OBJINFO_COPY, 0);
        Pump();
    }
    done = true;
    watcher.join();
    EXPECT_FALSE(boxShown) << "the copy showed an error";
    ::WaitForSingleObject(pi.hProcess, 10000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(hHeld);
    ASSERT_TRUE(bHeld) << "the other program did not hold the clipboard";
    Pump();
    EXPECT_FALSE(m_bFrameGone) << "the copy reported an error";
    EXPECT_EQ(L"LONG\r\nAdd\r\nAdds", ClipboardText());
}

int g_nFailedLocks = 0;
LPVOID WINAPI FailingLock(HGLOBAL) {
    ++g_nFailedLocks;
    return nullptr;
}

// Memory that cannot be locked: the copy reports the memory error (the
// window then closes, as after any error of its views), hands nothing over
// and leaves the clipboard closed.
TEST_F(ObjInfoWindowTest, ACopyWhoseMemoryCannotBeLockedReportsAndLeavesTheClipboardClosed) {
    Add(MakeThing(L"IThing"));
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IThing"), L"Add")));
    Pump();
    CListCtrlEx& members = Data().MemberList();
    SelectRows(members, {1, 2});
    SetClipboardText(L"untouched");

    struct Restore {
        ~Restore() { CObjInfoDataView::s_pfnGlobalLock = &::GlobalLock; }
    } restore;
    CObjInfoDataView::s_pfnGlobalLock = &FailingLock;
    g_nFailedLocks = 0;

    // The box is pressed away from another thread; while it shows, the
    // clipboard must already be closed.
    const DWORD tid = ::GetCurrentThreadId();
    std::atomic<bool> pressed{false};
    std::wstring boxText;
    HWND openDuringBox = reinterpret_cast<HWND>(-1);
    std::thread watcher([&] {
        for (int i = 0; i < 400 && !pressed; ++i) {
            ::Sleep(25);
            HWND box = ::FindWindowW(L"#32770", L"Zavetra");
            if (box && ::GetWindowThreadProcessId(box, nullptr) == tid) {
                WCHAR text[128] = {};
                ::GetDlgItemTextW(box, 0xFFFF, text, 128);
                boxText = text;
                openDuringBox = ::GetOpenClipboardWindow();
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                pressed = true;
            }
        }
    });
    members.SendMessage(WM_COMMAND, ID_OBJINFO_COPY, 0);
    for (int i = 0; i < 200 && !m_bFrameGone; ++i) Pump();
    watcher.join();

    EXPECT_EQ(1, g_nFailedLocks);
    EXPECT_TRUE(pressed) << "no message";
    EXPECT_EQ(L"Memory Allocation Error", boxText);
    EXPECT_EQ(nullptr, openDuringBox);
    EXPECT_EQ(nullptr, ::GetOpenClipboardWindow());
    EXPECT_TRUE(m_bFrameGone);
    // The clipboard was emptied for the copy; no text came in.
    EXPECT_EQ(L"(none)", ClipboardText());
}

// --- layout of a small window ----------------------------------------------------------

TEST_F(ObjInfoWindowTest, ATinyViewGivesColumnsNoWidthRatherThanTheirContentsWidth) {
    Add(MakeThing(L"IThing"));
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IThing"), L"count")));
    Pump();
    RECT wr;
    Data().GetWindowRect(&wr);
    m_pFrame->Splitter().ScreenToClient(&wr);
    ::MoveWindow(Data(), wr.left, wr.top, 8, 8, TRUE);
    Pump();
    EXPECT_EQ(0, Data().DeclarationList().GetColumnWidth(0));
    EXPECT_EQ(0, Data().InterfaceList().GetColumnWidth(1));
    EXPECT_EQ(0, Data().MemberList().GetColumnWidth(1));
    RECT lr;
    Data().MemberList().GetWindowRect(&lr);
    EXPECT_EQ(0, lr.bottom - lr.top);
}

TEST_F(ObjInfoWindowTest, LastColumnsFillTheirListsAfterEveryResize) {
    CObjInfo* info = MakeThing(L"IThing");
    info->m_doc = L"A documentation text long enough to need the room of a wide column";
    Add(info);
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IThing"), L"Add")));
    Pump();
    const int widths[] = {900, 420, 360, 640, 300};
    for (int width : widths) {
        m_pFrame->MoveWindow(20, 20, width, 600, TRUE);
        Pump();
        struct List { CListCtrlEx* list; int last; };
        const List lists[] = {{&Data().InterfaceList(), 1}, {&Data().MemberList(), 1}, {&Data().DeclarationList(), 0}};
        for (const List& l : lists) {
            RECT rc;
            l.list->GetClientRect(&rc);
            const int first = l.last == 1 ? l.list->GetColumnWidth(0) : 0;
            // A first column wider than the list leaves the last one at 0.
            EXPECT_EQ(std::max<int>(rc.right - rc.left - 1, first), first + l.list->GetColumnWidth(l.last)) << "frame width " << width << ", list " << l.list->GetDlgCtrlID();
        }
    }
}

// --- scroll bars while the frame is sized ------------------------------------------------

TEST_F(ObjInfoWindowTest, ListsShowNoScrollBarsWhileTheFrameIsSized) {
    Add(MakeThing(L"IThing"));
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IThing"), L"Add")));
    Pump();
    // A frame so low that the member list cannot show all its rows.
    m_pFrame->MoveWindow(20, 20, 800, 330, TRUE);
    Pump();
    CListCtrlEx& members = Data().MemberList();
    ASSERT_TRUE(members.HasMoreRowsThanPage());
    EXPECT_TRUE(members.GetStyle() & WS_VSCROLL);

    m_pFrame->SendMessage(WM_ENTERSIZEMOVE);
    m_pFrame->MoveWindow(20, 20, 780, 320, TRUE);
    Pump();
    EXPECT_FALSE(members.GetStyle() & (WS_VSCROLL | WS_HSCROLL));
    // An update of the data view in the middle of the sizing keeps the flag.
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IThing"), L"count")));
    Pump();
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"IThing"), L"Add")));
    Pump();
    EXPECT_TRUE(Data().DeclarationList().m_bSizeMove);
    EXPECT_FALSE(Data().DeclarationList().GetStyle() & (WS_VSCROLL | WS_HSCROLL));
    EXPECT_FALSE(members.GetStyle() & (WS_VSCROLL | WS_HSCROLL));

    m_pFrame->SendMessage(WM_EXITSIZEMOVE);
    Pump();
    EXPECT_FALSE(Data().DeclarationList().m_bSizeMove);
    EXPECT_TRUE(members.GetStyle() & WS_VSCROLL);
    // The interface list fits its rows: no bar there.
    EXPECT_FALSE(Data().InterfaceList().GetStyle() & WS_VSCROLL);
}

}  // namespace
