// The owner-drawn list boxes in real windows.
#include <gtest/gtest.h>
#include <windows.h>
#include <memory>
#include <string>
#include <vector>
#include "framework/Wnd.h"
#include "server/settings/AppSettings.h"
#include "server/settings/ListBoxEx.h"

namespace {

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// A top-level owner window of the framework's own class: it reflects the
// lists' WM_MEASUREITEM and WM_DRAWITEM to their objects.
class ListHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.CreateEx(0, nullptr, L"lists", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 400, 400,
                                    nullptr, nullptr));
        ::SetWindowPos(m_host, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    void TearDown() override { m_host.DestroyWindow(); }

    // A list of the given class and client height h (no border, so its
    // window height is its client height).
    template <class T>
    std::unique_ptr<T> MakeList(int h, DWORD dwExtraStyle, UINT nID = 100) {
        auto list = std::make_unique<T>();
        const RECT rc{10, 10, 10 + 60, 10 + h};
        EXPECT_TRUE(list->Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWVARIABLE | LBS_NOTIFY |
                                     LBS_NOINTEGRALHEIGHT | dwExtraStyle,
                                 rc, &m_host, nID));
        return list;
    }

    static std::vector<int> ItemHeights(const CListBox& list) {
        std::vector<int> v;
        for (int i = 0; i < list.GetCount(); ++i) {
            RECT rc{};
            list.GetItemRect(i, &rc);
            v.push_back(rc.bottom - rc.top);
        }
        return v;
    }

    CWnd m_host;
};

TEST_F(ListHost, ItemsFillTheClientHeightExactly) {
    struct Case { int h; int n; std::vector<int> heights; };
    const Case cases[] = {
        {96, 8, {12, 12, 12, 12, 12, 12, 12, 12}},
        {103, 8, {12, 13, 13, 13, 13, 13, 13, 13}},
        {101, 8, {12, 12, 12, 13, 13, 13, 13, 13}},
        {150, 7, {21, 21, 21, 21, 22, 22, 22}},
    };
    for (const Case& c : cases) {
        auto list = MakeList<CColorListBox>(c.h, 0);
        RECT rcClient{};
        list->GetClientRect(&rcClient);
        ASSERT_EQ(c.h, rcClient.bottom);
        list->FitItems(c.n);
        for (int i = 0; i < c.n; ++i) list->SetItemData(list->AddString(L""), i);
        EXPECT_EQ(c.heights, ItemHeights(*list)) << "height " << c.h;
        RECT rcLast{};
        list->GetItemRect(c.n - 1, &rcLast);
        EXPECT_EQ(c.h, rcLast.bottom) << "height " << c.h;
        // Everything fits: no scroll bar takes any width.
        RECT rcWnd{};
        list->GetWindowRect(&rcWnd);
        list->GetClientRect(&rcClient);
        EXPECT_EQ(rcWnd.right - rcWnd.left, rcClient.right) << "height " << c.h;
        list->DestroyWindow();
    }

    // A text list (the result views 1 to 7) measures the same way.
    auto text = MakeList<CListBoxEx>(103, LBS_HASSTRINGS);
    text->FitItems(7);
    for (int i = 1; i <= 7; ++i) text->AddString(std::to_wstring(i).c_str());
    EXPECT_EQ((std::vector<int>{14, 14, 15, 15, 15, 15, 15}), ItemHeights(*text));
    EXPECT_EQ(L"3", text->GetText(2));
}

// Pixels of a window as they are on the screen.
COLORREF ScreenPixel(HWND hWnd, int x, int y) {
    HDC hdc = ::GetDC(hWnd);
    const COLORREF c = ::GetPixel(hdc, x, y);
    ::ReleaseDC(hWnd, hdc);
    return c;
}

TEST_F(ListHost, ColourListPaintsTheEightHighlights) {
    CAppSettings settings;   // live for this test
    for (int i = 0; i < 8; ++i) settings.Font.Highlight[i] = RGB(20 * i + 10, 255 - 20 * i, 100 + i);

    auto list = MakeList<CColorListBox>(96, 0);
    list->FitItems(8);
    for (int i = 0; i < 8; ++i) list->SetItemData(list->AddString(L""), i);
    list->SetCurSel(0);
    list->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump();

    auto swatchAt = [&](int i) { return ScreenPixel(*list, 30, 12 * i + 6); };
    auto frameAt = [&](int i) { return ScreenPixel(*list, 0, 12 * i + 6); };
    for (int i = 0; i < 8; ++i) EXPECT_EQ(settings.Font.Highlight[i], swatchAt(i)) << i;
    EXPECT_EQ(RGB(0, 0, 0), frameAt(0));
    EXPECT_EQ(settings.Font.Highlight[1], frameAt(1));

    // The frame moves with the selection.
    list->SetCurSel(3);
    Pump();
    EXPECT_EQ(settings.Font.Highlight[0], frameAt(0));
    EXPECT_EQ(RGB(0, 0, 0), frameAt(3));

    // A new colour shows at the next paint; an index of 8 or more is black.
    settings.Font.Highlight[5] = RGB(1, 2, 3);
    list->SetItemData(6, 8);
    list->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    EXPECT_EQ(RGB(1, 2, 3), swatchAt(5));
    EXPECT_EQ(RGB(0, 0, 0), swatchAt(6));

    // Disabled: every swatch in the inactive-border colour, the frame too.
    list->EnableWindow(FALSE);
    list->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    const COLORREF grey = ::GetSysColor(COLOR_INACTIVEBORDER);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(grey, swatchAt(i)) << i;
    EXPECT_EQ(grey, frameAt(3));
}

// DrawItem into a memory bitmap, for each draw action and item state.
class DrawInto {
public:
    DrawInto() {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), kW, -kH, 1, 32, BI_RGB};
        m_hdc = ::CreateCompatibleDC(nullptr);
        m_hbm = ::CreateDIBSection(m_hdc, &bi, DIB_RGB_COLORS, nullptr, nullptr, 0);
        m_old = ::SelectObject(m_hdc, m_hbm);
    }
    ~DrawInto() {
        ::SelectObject(m_hdc, m_old);
        ::DeleteObject(m_hbm);
        ::DeleteDC(m_hdc);
    }
    DRAWITEMSTRUCT Item(HWND hList, UINT id, UINT action, UINT state, DWORD_PTR data) {
        RECT rc{0, 0, kW, kH};
        HBRUSH b = ::CreateSolidBrush(kUntouched);
        ::FillRect(m_hdc, &rc, b);
        ::DeleteObject(b);
        DRAWITEMSTRUCT dis{ODT_LISTBOX, 100, id, action, state, hList, m_hdc, rc, data};
        return dis;
    }
    COLORREF At(int x, int y) const { return ::GetPixel(m_hdc, x, y); }
    bool Has(COLORREF c) const {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (At(x, y) == c) return true;
        return false;
    }
    static constexpr int kW = 40, kH = 16;
    static constexpr COLORREF kUntouched = RGB(1, 254, 3);
private:
    HDC m_hdc;
    HBITMAP m_hbm;
    HGDIOBJ m_old;
};

TEST_F(ListHost, TextItemsTakeTheSystemColoursOfTheirState) {
    auto list = MakeList<CListBoxEx>(96, LBS_HASSTRINGS);
    list->FitItems(1);
    list->AddString(L"WWWW");
    struct Case { bool enabled; UINT action; UINT state; int back; int text; };
    const Case cases[] = {
        {true, ODA_DRAWENTIRE, 0, COLOR_WINDOW, COLOR_WINDOWTEXT},
        {true, ODA_DRAWENTIRE, ODS_SELECTED, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
        {true, ODA_SELECT, ODS_SELECTED, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
        {true, ODA_SELECT, 0, COLOR_WINDOW, COLOR_WINDOWTEXT},
        {false, ODA_DRAWENTIRE, 0, COLOR_BTNFACE, COLOR_GRAYTEXT},
        {false, ODA_DRAWENTIRE, ODS_SELECTED, COLOR_BTNFACE, COLOR_GRAYTEXT},
        {false, ODA_SELECT, 0, COLOR_WINDOW, COLOR_WINDOWTEXT},
        {true, ODA_FOCUS, ODS_FOCUS, -1, -1},
        {true, ODA_FOCUS, ODS_FOCUS | ODS_SELECTED, -1, -1},
    };
    DrawInto canvas;
    for (const Case& c : cases) {
        list->EnableWindow(c.enabled);
        DRAWITEMSTRUCT dis = canvas.Item(*list, 0, c.action, c.state, 0);
        list->DrawItem(&dis);
        const std::string what = "enabled " + std::to_string(c.enabled) + " action " + std::to_string(c.action) +
                                 " state " + std::to_string(c.state);
        if (c.back < 0) {
            EXPECT_EQ(DrawInto::kUntouched, canvas.At(0, 0)) << what;
            EXPECT_EQ(DrawInto::kUntouched, canvas.At(20, 8)) << what;
            continue;
        }
        EXPECT_EQ(::GetSysColor(c.back), canvas.At(0, 0)) << what;
        EXPECT_EQ(::GetSysColor(c.back), canvas.At(DrawInto::kW - 1, DrawInto::kH - 1)) << what;
        EXPECT_TRUE(canvas.Has(::GetSysColor(c.text))) << what;   // the text is drawn
        EXPECT_FALSE(canvas.Has(DrawInto::kUntouched)) << what;
    }
}

TEST_F(ListHost, ColourItemsDrawSwatchAndFrame) {
    CAppSettings settings;
    settings.Font.Highlight[2] = RGB(11, 22, 33);
    auto list = MakeList<CColorListBox>(96, 0);
    list->FitItems(1);
    list->AddString(L"");
    const COLORREF grey = ::GetSysColor(COLOR_INACTIVEBORDER);
    const COLORREF none = DrawInto::kUntouched;
    const COLORREF sw = RGB(11, 22, 33), black = RGB(0, 0, 0);
    struct Case { bool enabled; UINT action; UINT state; DWORD_PTR data; COLORREF centre; COLORREF edge; };
    const Case cases[] = {
        {true, ODA_DRAWENTIRE, 0, 2, sw, sw},
        {true, ODA_DRAWENTIRE, ODS_SELECTED, 2, sw, black},
        {true, ODA_SELECT, ODS_SELECTED, 2, none, black},   // the frame alone
        {true, ODA_SELECT, 0, 2, sw, sw},                   // the frame removed
        {true, ODA_FOCUS, ODS_FOCUS, 2, none, none},
        {true, ODA_DRAWENTIRE, 0, 8, black, black},
        {true, ODA_DRAWENTIRE, 0, 1000, black, black},
        {false, ODA_DRAWENTIRE, 0, 2, grey, grey},
        {false, ODA_DRAWENTIRE, ODS_SELECTED, 2, grey, grey},
    };
    DrawInto canvas;
    for (const Case& c : cases) {
        list->EnableWindow(c.enabled);
        DRAWITEMSTRUCT dis = canvas.Item(*list, 0, c.action, c.state, c.data);
        list->DrawItem(&dis);
        const std::string what = "enabled " + std::to_string(c.enabled) + " action " + std::to_string(c.action) +
                                 " state " + std::to_string(c.state) + " data " + std::to_string(c.data);
        EXPECT_EQ(c.centre, canvas.At(20, 8)) << what;
        EXPECT_EQ(c.edge, canvas.At(0, 0)) << what;
        EXPECT_EQ(c.edge, canvas.At(DrawInto::kW - 1, 8)) << what;
    }
}

}  // namespace
