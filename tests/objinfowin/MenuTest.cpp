// The context menus of the member tree and of the lists: which requests show
// one, how many and where. A watcher thread notes each menu that appears on
// the window's thread and closes it with Escape.
#include <gtest/gtest.h>
#include <windows.h>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>
#include "WindowFixture.h"
#include "server/core/Messages.h"

namespace {

class MenuWatch {
public:
    explicit MenuWatch(DWORD ms) : m_tid(::GetCurrentThreadId()) {
        m_thread = std::thread([this, ms] {
            HWND last = nullptr;  // the menu being closed
            for (DWORD waited = 0; waited < ms; waited += 10) {
                HWND menu = nullptr;
                while ((menu = ::FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr)
                    if (::IsWindowVisible(menu) && ::GetWindowThreadProcessId(menu, nullptr) == m_tid) break;
                if (menu && menu != last) {
                    RECT rc;
                    ::GetWindowRect(menu, &rc);
                    {
                        std::lock_guard<std::mutex> lock(m_mutex);
                        m_shown.push_back(POINT{rc.left, rc.top});
                    }
                    ::Sleep(50);
                    ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
                    // Gone before the next one is looked for.
                    for (int i = 0; i < 200 && ::IsWindow(menu) && ::IsWindowVisible(menu); ++i) ::Sleep(2);
                    last = nullptr;
                }
                ::Sleep(10);
            }
        });
    }
    ~MenuWatch() { Join(); }
    // Where each menu appeared (its top-left corner on the screen).
    std::vector<POINT> Shown() {
        Join();
        return m_shown;
    }

private:
    void Join() {
        if (m_thread.joinable()) m_thread.join();
    }
    DWORD m_tid;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<POINT> m_shown;
};

class MenuTest : public ObjInfoWindowTest {
protected:
    void SetUp() override {
        ObjInfoWindowTest::SetUp();
        Add(MakeRecord(L"IThing", {{L"Add", CMemberInfo::MK_METHOD}, {L"count", CMemberInfo::MK_PERINSTANCE}}));
    }
    // A right-click on the item as the control sees it (press, release).
    void RightClick(HTREEITEM item) {
        RECT rc{};
        ASSERT_TRUE(Tree().GetItemRect(item, &rc, TRUE));
        const LPARAM at = MAKELPARAM(rc.left + 3, (rc.top + rc.bottom) / 2);
        ::PostMessageW(Tree(), WM_RBUTTONUP, 0, at);
        Tree().SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, at);
        Pump();
    }
};

TEST_F(MenuTest, ARightClickOnARecordShowsItsMenuOnceAndOnAMemberNone) {
    {
        MenuWatch watch(1200);
        RightClick(RootItem(L"IThing"));
        for (int i = 0; i < 40; ++i) Pump();
        EXPECT_EQ(1u, watch.Shown().size()) << "one menu for a record";
    }
    {
        // The platform's tree follows an unanswered right-click notification
        // with a context-menu message from the mouse: that shows no second menu.
        MenuWatch watch(600);
        Tree().SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Tree().m_hWnd), MAKELPARAM(100, 100));
        for (int i = 0; i < 20; ++i) Pump();
        EXPECT_TRUE(watch.Shown().empty());
    }
    {
        HTREEITEM member = ChildItem(RootItem(L"IThing"), L"count");
        MenuWatch watch(800);
        RightClick(member);
        for (int i = 0; i < 30; ++i) Pump();
        EXPECT_TRUE(watch.Shown().empty()) << "no menu for a member";
        EXPECT_EQ(member, Tree().GetSelectedItem()) << "the member is selected";
    }
}

TEST_F(MenuTest, TheContextMenuKeyShowsTheMenuWhereTheSelectionIs) {
    // The tree: below the selected record's text.
    HTREEITEM root = RootItem(L"IThing");
    ASSERT_TRUE(Tree().SelectItem(root));
    Pump();
    RECT text{};
    ASSERT_TRUE(Tree().GetItemRect(root, &text, TRUE));
    POINT expected{text.left, text.bottom};
    ::ClientToScreen(Tree(), &expected);
    {
        MenuWatch watch(1000);
        Tree().SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Tree().m_hWnd), MAKELPARAM(0xFFFF, 0xFFFF));
        const std::vector<POINT> shown = watch.Shown();
        ASSERT_EQ(1u, shown.size());
        EXPECT_EQ(expected.x, shown[0].x);
        EXPECT_EQ(expected.y, shown[0].y);
    }

    // A list: below the first selected row while it is on the page; at the
    // list's top-left corner while it is scrolled out of view; no menu
    // without a selected row.
    CListCtrlEx& list = Data().InterfaceList();
    ASSERT_GE(list.GetItemCount(), 2);
    RECT label{};
    ASSERT_TRUE(list.GetItemRect(1, &label, LVIR_LABEL));
    POINT below{label.left, label.bottom};
    ::ClientToScreen(list, &below);
    RECT wr;
    list.GetWindowRect(&wr);
    struct Case { int selected; bool shrink; POINT at; bool menu; };
    const Case cases[] = {
        {1, false, below, true},
        {-1, false, {}, false},
        {0, true, POINT{wr.left, wr.top}, true},
    };
    for (const Case& c : cases) {
        list.SetItemState(-1, 0, LVIS_SELECTED);
        if (c.selected >= 0) list.SetItemState(c.selected, LVIS_SELECTED, LVIS_SELECTED);
        if (c.shrink) {
            // A list one row high, scrolled to its last row.
            RECT r0;
            list.GetItemRect(0, &r0, LVIR_BOUNDS);
            ::SetWindowPos(list, nullptr, 0, 0, wr.right - wr.left, r0.bottom + 2, SWP_NOMOVE | SWP_NOZORDER);
            list.EnsureVisible(list.GetItemCount() - 1, FALSE);
            ASSERT_GT(list.GetTopIndex(), c.selected);
        }
        MenuWatch watch(800);
        list.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.m_hWnd), MAKELPARAM(0xFFFF, 0xFFFF));
        for (int i = 0; i < 20; ++i) Pump();
        const std::vector<POINT> shown = watch.Shown();
        ASSERT_EQ(c.menu ? 1u : 0u, shown.size()) << "selected " << c.selected << " shrunk " << c.shrink;
        if (c.menu) {
            EXPECT_EQ(c.at.x, shown[0].x) << "selected " << c.selected << " shrunk " << c.shrink;
            EXPECT_EQ(c.at.y, shown[0].y) << "selected " << c.selected << " shrunk " << c.shrink;
        }
    }
}

}  // namespace
