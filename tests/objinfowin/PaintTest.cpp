// What the lists and the member tree paint themselves, read back from the
// screen: the lists fill only what lies outside their rows (never their
// header), heading rows have their own background, the tree's erasing
// leaves its images alone; and the lists' requests to their owner.
#include <gtest/gtest.h>
#include <windows.h>
#include <vector>
#include "WindowFixture.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

constexpr COLORREF kMarker = RGB(1, 2, 3);     // the window colour while a test paints
constexpr COLORREF kPrefill = RGB(200, 0, 0);  // what stood there before

class PaintTest : public ObjInfoWindowTest {
protected:
    void SetUp() override {
        ObjInfoWindowTest::SetUp();
        CAppSettings& s = CAppSettings::Get();
        m_oldColor = s.WindowColor;
        s.WindowColor = kMarker;
        CAppSettings::ReplaceBrush(s.WindowBrush, kMarker);
        ::SetWindowPos(*m_pFrame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        Add(MakeRecord(L"IThing", {{L"Add", CMemberInfo::MK_METHOD, L"LONG", 10, L"Adds",
                                    {{L"LONG", L"a"}, {L"LONG", L"b"}, {L"LONG", L"c"}}},
                                   {L"count", CMemberInfo::MK_PERINSTANCE}}));
    }
    void TearDown() override {
        CAppSettings& s = CAppSettings::Get();
        s.WindowColor = m_oldColor;
        CAppSettings::ReplaceBrush(s.WindowBrush, m_oldColor);
        ObjInfoWindowTest::TearDown();
    }

    static COLORREF Pixel(HWND h, int x, int y) {
        HDC dc = ::GetDC(h);
        const COLORREF c = ::GetPixel(dc, x, y);
        ::ReleaseDC(h, dc);
        return c;
    }
    static void Prefill(HWND h) {
        RECT rc;
        ::GetClientRect(h, &rc);
        HDC dc = ::GetDC(h);
        HBRUSH b = ::CreateSolidBrush(kPrefill);
        ::FillRect(dc, &rc, b);
        ::DeleteObject(b);
        ::ReleaseDC(h, dc);
    }
    void Select(LPCWSTR member) {
        HTREEITEM root = RootItem(L"IThing");
        ASSERT_TRUE(Tree().SelectItem(member ? ChildItem(root, member) : root));
        Pump();
    }

    COLORREF m_oldColor = 0;
};

TEST_F(PaintTest, ListsFillOnlyBelowTheirHeaderAndOutsideTheirRows) {
    CListCtrlEx& members = Data().MemberList();
    RECT header;
    ::GetWindowRect(members.GetHeaderCtrl(), &header);
    members.ScreenToClient(&header);
    RECT client;
    members.GetClientRect(&client);
    ASSERT_GT(header.bottom, 0);

    // Empty (a record is selected): everything below the header.
    Select(nullptr);
    ASSERT_EQ(0, members.GetItemCount());
    members.UpdateWindow();
    members.PaintOutsideRows();
    EXPECT_EQ(kMarker, Pixel(members, 5, header.bottom + 3));
    EXPECT_EQ(kMarker, Pixel(members, client.right - 3, client.bottom - 3));
    EXPECT_NE(kMarker, Pixel(members, client.right / 2, header.bottom / 2));

    // Rows that fit: the area below the last row, nothing of the rows.
    Select(L"Add");
    members.UpdateWindow();
    RECT last;
    ASSERT_TRUE(members.GetItemRect(members.GetItemCount() - 1, &last, LVIR_BOUNDS));
    ASSERT_LT(last.bottom + 3, client.bottom);
    Prefill(members);
    members.PaintOutsideRows();
    EXPECT_EQ(kMarker, Pixel(members, 5, last.bottom + 2));
    EXPECT_EQ(kPrefill, Pixel(members, 5, (last.top + last.bottom) / 2));

    // Scrolled so that the last row is below the page: nothing at all.
    m_pFrame->MoveWindow(20, 20, 800, 330, TRUE);
    Pump();
    ASSERT_TRUE(members.HasMoreRowsThanPage());
    ASSERT_EQ(0, members.GetTopIndex());
    members.GetClientRect(&client);
    Prefill(members);
    members.PaintOutsideRows();
    EXPECT_EQ(kPrefill, Pixel(members, 5, client.bottom - 2));
    EXPECT_EQ(kPrefill, Pixel(members, 1, header.bottom + 2));
}

TEST_F(PaintTest, HeadingRowsHaveTheirOwnBackground) {
    Select(L"Add");
    CListCtrlEx& members = Data().MemberList();
    members.RedrawWindow();
    const int x = members.GetColumnWidth(0) + members.GetColumnWidth(1) / 2;
    struct Row { int index; bool heading; };
    const Row rows[] = {{0, true}, {1, false}, {6, true}, {7, false}};
    for (const Row& r : rows) {
        ASSERT_EQ(r.heading ? 0u : 1u, members.GetItemData(r.index)) << r.index;
        RECT rc;
        ASSERT_TRUE(members.GetItemRect(r.index, &rc, LVIR_BOUNDS));
        const COLORREF c = Pixel(members, x, rc.top + 1);
        if (r.heading) EXPECT_EQ(OBJINFO_HEADING_BKCOLOR, c) << "row " << r.index;
        else EXPECT_NE(OBJINFO_HEADING_BKCOLOR, c) << "row " << r.index;
    }
}

TEST_F(PaintTest, ErasingTheTreeLeavesItsImagesAlone) {
    CTreeCtrl& tree = Tree();
    tree.RedrawWindow();
    Pump();
    // The record's image has cyan in it, the method's magenta, the
    // variable's blue; nothing else in the tree has these colours.
    struct Item { HTREEITEM h; COLORREF colour; };
    const Item items[] = {{RootItem(L"IThing"), RGB(0, 255, 255)},
                          {ChildItem(RootItem(L"IThing"), L"Add"), RGB(255, 0, 255)},
                          {ChildItem(RootItem(L"IThing"), L"count"), RGB(0, 0, 255)}};
    auto count = [&](const Item& item) {
        RECT text{};
        EXPECT_TRUE(tree.GetItemRect(item.h, &text, TRUE));
        int n = 0;
        for (int y = text.top; y < text.bottom; ++y)
            for (int x = 0; x < text.left; ++x)
                if (Pixel(tree, x, y) == item.colour) ++n;
        return n;
    };
    std::vector<int> before;
    for (const Item& item : items) {
        before.push_back(count(item));
        ASSERT_GT(before.back(), 0) << "the image is on the screen";
    }
    HDC dc = ::GetDC(tree);
    EXPECT_TRUE(m_pFrame->ItemView()->EraseOutsideItems(dc));
    ::ReleaseDC(tree, dc);
    for (size_t i = 0; i < std::size(items); ++i) EXPECT_EQ(before[i], count(items[i])) << "item " << i;
    // The erasing did reach the empty part of the tree.
    RECT client;
    tree.GetClientRect(&client);
    EXPECT_EQ(kMarker, Pixel(tree, client.right - 3, client.bottom - 3));
}

TEST_F(PaintTest, ListsHandContextMenuAndCopyRequestsToTheirOwner) {
    Select(L"Add");
    CListCtrlEx& members = Data().MemberList();
    struct Case { UINT message; LPARAM lParam; UINT posted; LPARAM postedLParam; };
    const Case cases[] = {
        {WM_CONTEXTMENU, MAKELPARAM(300, 200), UM_LIST_CONTEXTMENU, 0},       // the mouse
        {WM_CONTEXTMENU, MAKELPARAM(0xFFFF, 0xFFFF), UM_LIST_CONTEXTMENU, 1}, // the keyboard
    };
    for (const Case& c : cases) {
        members.SendMessage(c.message, reinterpret_cast<WPARAM>(members.m_hWnd), c.lParam);
        MSG msg{};
        ASSERT_TRUE(::PeekMessageW(&msg, Data(), c.posted, c.posted, PM_REMOVE));
        EXPECT_EQ(reinterpret_cast<WPARAM>(members.m_hWnd), msg.wParam);
        EXPECT_EQ(c.postedLParam, msg.lParam);
        EXPECT_FALSE(::PeekMessageW(&msg, Data(), c.posted, c.posted, PM_REMOVE)) << "one request";
    }
}

}  // namespace
