// Message dispatch, subclassing, reflection of child notifications and the
// catch at the trampolines.
#include "TestApp.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <algorithm>
#include <stdexcept>

namespace {

constexpr UINT WM_TEST_ANSWER = WM_APP + 1;
constexpr UINT WM_TEST_THROW = WM_APP + 2;

class CRecordingWnd : public CWnd {
public:
    std::vector<UINT> seen;
    bool* destroyedFlag = nullptr;
    bool throwOnCreate = false;

    LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override {
        switch (m) {
        case WM_CREATE:
            if (throwOnCreate) throw std::runtime_error("create failed");
            break;
        case WM_TEST_ANSWER: seen.push_back(m); return 40 + static_cast<LRESULT>(w);
        case WM_TEST_THROW:  throw std::runtime_error("handler failed");
        case WM_COMMAND:     seen.push_back(m); break;
        }
        return CWnd::WindowProc(m, w, l);
    }
    void PostNcDestroy() override {
        if (destroyedFlag) *destroyedFlag = true;
    }
};

HWND CreatePopup(CWnd& w) {
    RECT rc{0, 0, 300, 200};
    return w.CreateEx(0, nullptr, L"test window", WS_POPUP, rc, nullptr, 0) ? w.m_hWnd : nullptr;
}

}  // namespace

TEST(Window, HandlerAnswersAndOtherMessagesGetTheDefault) {
    CRecordingWnd w;
    bool destroyed = false;
    w.destroyedFlag = &destroyed;
    HWND h = CreatePopup(w);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(&w, CWnd::FromHandle(h));
    EXPECT_EQ(42, ::SendMessageW(h, WM_TEST_ANSWER, 2, 0));
    // WM_SETTEXT is not handled: the default procedure stores the text.
    ::SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"changed"));
    EXPECT_EQ(L"changed", w.GetWindowText());
    ASSERT_TRUE(w.DestroyWindow());
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(nullptr, w.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandle(h));
}

TEST(Window, DestructorDestroysTheWindowItMade) {
    HWND h;
    {
        CRecordingWnd w;
        h = CreatePopup(w);
        ASSERT_NE(nullptr, h);
    }
    EXPECT_FALSE(::IsWindow(h));
}

TEST(Window, ExceptionInAHandlerIsCaughtAtTheTrampoline) {
    theApp.m_exceptions.clear();
    CRecordingWnd w;
    HWND h = CreatePopup(w);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(0, ::SendMessageW(h, WM_TEST_THROW, 0, 0));
    ASSERT_EQ(1u, theApp.m_exceptions.size());
    EXPECT_EQ(L"handler failed", theApp.m_exceptions[0]);
    // The window lives on and keeps answering.
    EXPECT_EQ(40, ::SendMessageW(h, WM_TEST_ANSWER, 0, 0));
}

TEST(Window, ExceptionInOnCreateFailsTheCreation) {
    theApp.m_exceptions.clear();
    CRecordingWnd w;
    w.throwOnCreate = true;
    bool destroyed = false;
    w.destroyedFlag = &destroyed;
    EXPECT_EQ(nullptr, CreatePopup(w));
    EXPECT_EQ(nullptr, w.m_hWnd);
    EXPECT_TRUE(destroyed);
    ASSERT_EQ(1u, theApp.m_exceptions.size());
    EXPECT_EQ(L"create failed", theApp.m_exceptions[0]);
}

namespace {

// An owner-drawn list that records what reaches it.
class CRecordingList : public CListBox {
public:
    std::vector<UINT> measured, drawn, own;
    bool eatDoubleClick = false;

    void MeasureItem(LPMEASUREITEMSTRUCT mis) override {
        measured.push_back(mis->itemID);
        mis->itemHeight = 17;
    }
    void DrawItem(LPDRAWITEMSTRUCT dis) override {
        drawn.push_back(dis->itemID);
        CDC dc(dis->hDC);
        dc.FillSolidRect(&dis->rcItem, RGB(0, 0, 255));
    }
    BOOL OnChildNotify(UINT m, WPARAM w, LPARAM l, LRESULT* r) override {
        if (m == WM_COMMAND && HIWORD(w) == LBN_DBLCLK && eatDoubleClick) {
            own.push_back(LBN_DBLCLK);
            *r = 0;
            return TRUE;
        }
        return CListBox::OnChildNotify(m, w, l, r);
    }
    LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override {
        if (m == LB_ADDSTRING) own.push_back(m);  // the control's own messages reach its object
        return CListBox::WindowProc(m, w, l);
    }
};

class CParentWnd : public CWnd {
public:
    std::vector<std::pair<UINT, int>> commands;  // (id, code) that reached the parent
protected:
    bool OnCmd(UINT nID, int nCode) override {
        commands.emplace_back(nID, nCode);
        return true;
    }
};

}  // namespace

TEST(Window, CreatedControlIsSubclassedAndGetsReflectedNotifications) {
    CParentWnd parent;
    RECT rc{0, 0, 300, 300};
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"parent", WS_POPUP | WS_VISIBLE, rc, nullptr, 0));
    CRecordingList list;
    RECT lr{10, 10, 200, 200};
    ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOTIFY, lr, &parent, 77));
    EXPECT_EQ(&list, CWnd::FromHandle(list.m_hWnd));

    EXPECT_EQ(0, list.AddString(L"one"));
    EXPECT_EQ(1, list.AddString(L"two"));
    EXPECT_EQ(2, list.GetCount());
    EXPECT_EQ((std::vector<UINT>{0, 1}), list.measured);
    EXPECT_EQ(17, list.GetItemHeight(1));
    EXPECT_EQ(L"two", list.GetText(1));

    list.Invalidate();
    list.UpdateWindow();
    EXPECT_FALSE(list.drawn.empty());

    // A notification the control's object does not take goes on to the parent...
    ::SendMessageW(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(77, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list.m_hWnd));
    // ...one it takes stops there.
    list.eatDoubleClick = true;
    ::SendMessageW(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(77, LBN_DBLCLK), reinterpret_cast<LPARAM>(list.m_hWnd));
    ASSERT_EQ(1u, parent.commands.size());
    EXPECT_EQ(77u, parent.commands[0].first);
    EXPECT_EQ(LBN_SELCHANGE, parent.commands[0].second);
    EXPECT_NE(list.own.end(), std::find(list.own.begin(), list.own.end(), static_cast<UINT>(LB_ADDSTRING)));
    EXPECT_NE(list.own.end(), std::find(list.own.begin(), list.own.end(), static_cast<UINT>(LBN_DBLCLK)));

    HWND hList = list.m_hWnd;
    EXPECT_EQ(hList, list.UnsubclassWindow());
    EXPECT_EQ(nullptr, CWnd::FromHandle(hList));
    EXPECT_TRUE(::IsWindow(hList));  // giving the window back does not destroy it
}

namespace {

LRESULT CALLBACK CountingSubclass(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
    if (m == LB_ADDSTRING) ++*reinterpret_cast<int*>(data);
    return ::DefSubclassProc(h, m, w, l);
}

}  // namespace

// A control gets its own procedure back when its object lets it go; when a
// later subclass covers the object's, the control and that subclass keep
// working, and the object hears nothing more.
TEST(Window, ALetGoControlKeepsItsProcedureAndLaterSubclasses) {
    CParentWnd parent;
    RECT rc{0, 0, 300, 300};
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"parent", WS_POPUP, rc, nullptr, 0));
    RECT lr{10, 10, 200, 200};
    HWND hPlain = ::CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | LBS_HASSTRINGS, 10, 10, 100, 100, parent.m_hWnd,
                                    nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hPlain);
    const LONG_PTR before = ::GetWindowLongPtrW(hPlain, GWLP_WNDPROC);
    CRecordingList plain;
    ASSERT_TRUE(plain.SubclassWindow(hPlain));
    EXPECT_NE(before, ::GetWindowLongPtrW(hPlain, GWLP_WNDPROC));
    EXPECT_EQ(hPlain, plain.UnsubclassWindow());
    EXPECT_EQ(before, ::GetWindowLongPtrW(hPlain, GWLP_WNDPROC));

    CRecordingList list;
    ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_HASSTRINGS, lr, &parent, 78));
    int nSpied = 0;
    ASSERT_TRUE(::SetWindowSubclass(list.m_hWnd, CountingSubclass, 1, reinterpret_cast<DWORD_PTR>(&nSpied)));
    EXPECT_EQ(0, list.AddString(L"one"));
    HWND hList = list.m_hWnd;
    EXPECT_EQ(hList, list.UnsubclassWindow());
    EXPECT_EQ(nullptr, CWnd::FromHandle(hList));
    EXPECT_EQ(1, ::SendMessageW(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"two")));
    EXPECT_EQ(2, nSpied);
    EXPECT_EQ(1u, list.own.size());  // only the first, made while it was bound
    ASSERT_TRUE(::RemoveWindowSubclass(hList, CountingSubclass, 1));
    EXPECT_EQ(2, ::SendMessageW(hList, LB_GETCOUNT, 0, 0));
    EXPECT_TRUE(::DestroyWindow(hList));
}

TEST(Window, MenuCommandsArriveAsCommandsAndWrappersCheckTheirWindow) {
    CParentWnd parent;
    RECT rc{0, 0, 100, 100};
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"parent", WS_POPUP, rc, nullptr, 0));
    ::SendMessageW(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(500, 1), 0);  // an accelerator
    ASSERT_EQ(1u, parent.commands.size());
    EXPECT_EQ(CN_COMMAND, parent.commands[0].second);

    CListBox unbound;
    EXPECT_EQ(LB_ERR, unbound.GetCount());
    EXPECT_EQ(LB_ERR, unbound.AddString(L"x"));
    CEdit edit;
    int a = -1, b = -1;
    edit.GetSel(a, b);
    EXPECT_EQ(0, a);
}
