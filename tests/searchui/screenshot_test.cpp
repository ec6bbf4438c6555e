// The find dialog with two conditions as the user sees it: the controls show
// the selected member's condition, the checked members are drawn on their
// highlight colours and the unchecked one on the window colour, and the
// grouping boxes are disabled while conditions are enabled. With
// ZV_SCREENSHOT_DIR set, the picture is also saved there as FindDialog.png
// (tools/finddialog-screenshot runs it) for checking by eye.
#include "finddialog_util.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "common/WindowShot.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

unsigned long Crc32(const unsigned char* p, size_t n, unsigned long crc = 0) {
    crc = ~crc & 0xFFFFFFFFul;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1)));
    }
    return ~crc & 0xFFFFFFFFul;
}

void PutBE(std::vector<unsigned char>& v, unsigned long x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<unsigned char>(x >> s));
}

void Chunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
    PutBE(out, static_cast<unsigned long>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBE(out, Crc32(body.data(), body.size()));
}

// RGB rows top-down to an uncompressed (stored-deflate) PNG.
bool WritePng(const std::wstring& path, int w, int h, const std::vector<unsigned char>& rgb) {
    std::vector<unsigned char> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb.begin() + static_cast<size_t>(y) * w * 3, rgb.begin() + static_cast<size_t>(y + 1) * w * 3);
    }
    std::vector<unsigned char> z{0x78, 0x01};
    unsigned long a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t off = 0; off < raw.size() || off == 0; off += 65535) {
        const size_t n = std::min<size_t>(65535, raw.size() - off);
        z.push_back(off + n >= raw.size() ? 1 : 0);
        z.push_back(n & 0xFF);
        z.push_back(n >> 8);
        z.push_back(~n & 0xFF);
        z.push_back((~n >> 8) & 0xFF);
        z.insert(z.end(), raw.begin() + off, raw.begin() + off + n);
        if (n == 0) break;
    }
    PutBE(z, (b << 16) | a);
    std::vector<unsigned char> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> ihdr;
    PutBE(ihdr, w);
    PutBE(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
    fclose(f);
    return ok;
}

// How many pixels of the tree item's text rectangle are of the colour, and
// how many it has, in the picture.
struct ColourCount {
    int nOfColour = 0;
    int nAll = 0;
};

ColourCount CountInItem(const WindowPixels& px, HWND hTree, HTREEITEM hItem, COLORREF colour) {
    ColourCount c;
    RECT rc{};
    if (!TreeView_GetItemRect(hTree, hItem, &rc, TRUE)) return c;
    ::MapWindowPoints(hTree, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    const std::vector<COLORREF> pixels = PixelsIn(px, rc);
    c.nAll = static_cast<int>(pixels.size());
    c.nOfColour = static_cast<int>(std::count(pixels.begin(), pixels.end(), colour));
    return c;
}

TEST_F(FindDialogTest, ScreenshotWithTwoConditions) {
    CLogNode* pCall = AddCall(L"Order", 1, {{L"Count", L"LONG", L"12"}, {L"Name", L"BSTR", L"abc"},
                                            {L"Paid", L"VARIANT_BOOL", L"True"}});
    for (int i = 0; i < 3; ++i) ToggleInView(Member(pCall, i));
    ASSERT_NE(nullptr, OpenDialog());
    ::SetWindowPos(m_hDlg, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    HTREEITEM hCount = ItemNamed(L" Count = 12");
    HTREEITEM hName = ItemNamed(L" Name = abc");
    HTREEITEM hPaid = ItemNamed(L" Paid = True");
    ASSERT_TRUE(hCount && hName && hPaid);
    Select(hCount);
    Key(VK_SPACE);
    Type(IDC_FIND_VALUE1, L">= 10");
    Type(IDC_FIND_VALUE1, L"10");
    PickOperator(IDC_FIND_OPERATOR1, SOP_GREATER_EQUAL);
    Select(hName);
    Key(VK_SPACE);
    Type(IDC_FIND_VALUE1, L"ab");
    PickOperator(IDC_FIND_OPERATOR1, SOP_BEGINS);
    Click(IDC_FIND_CASE1);

    // Each member shows its own condition when selected again.
    Select(hCount);
    EXPECT_EQ(L"10", Text(IDC_FIND_VALUE1));
    EXPECT_EQ(L">=", Text(IDC_FIND_OPERATOR1));
    EXPECT_EQ(L"Numeric", Text(IDC_FIND_TYPE1));
    EXPECT_FALSE(Enabled(IDC_FIND_CASE1));
    Select(hName);
    EXPECT_EQ(L"ab", Text(IDC_FIND_VALUE1));
    EXPECT_EQ(L"(find) *", Text(IDC_FIND_OPERATOR1));
    EXPECT_EQ(L"String", Text(IDC_FIND_TYPE1));
    EXPECT_TRUE(Checked(IDC_FIND_CASE1));
    EXPECT_TRUE(Enabled(IDC_FIND_CASE1));
    EXPECT_EQ(L"", Text(IDC_FIND_VALUE2));
    EXPECT_EQ(L"Null", Text(IDC_FIND_TYPE2));
    EXPECT_TRUE(Checked(IDC_FIND_AND));

    // The checks, and what they enable.
    EXPECT_EQ(FIND_IMAGE_FIXED, Image(Items()[0]));
    EXPECT_EQ(FIND_IMAGE_CHECKED, Image(hCount));
    EXPECT_EQ(FIND_IMAGE_CHECKED, Image(hName));
    EXPECT_EQ(FIND_IMAGE_UNCHECKED, Image(hPaid));
    EXPECT_TRUE(Checked(IDC_FIND_ALLSELECT));
    for (int nID : {IDC_FIND_CLIENT, IDC_FIND_LABEL, IDC_FIND_PATH, IDC_FIND_NAME}) EXPECT_FALSE(Enabled(nID)) << nID;
    for (int nID : {IDC_FIND_COLORLIST, IDC_FIND_OPERATOR1, IDC_FIND_VALUE1, IDC_FIND_OPERATOR2, IDC_FIND_VALUE2})
        EXPECT_TRUE(Enabled(nID)) << nID;
    EXPECT_FALSE(Enabled(IDC_FIND_OBJECT));
    EXPECT_TRUE(Checked(IDC_FIND_OBJECT));

    m_host->OnLog([&] {
        ::SetForegroundWindow(m_hDlg);
        ::RedrawWindow(m_hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    });
    PumpFor(300);

    // The colours drawn: the two conditions on the first two highlights (the
    // least used at each check), the unchecked member on neither.
    int nCount = -1, nName = -1;
    m_host->OnLog([&] {
        nCount = m_pDlg->FindItemCondition(hCount)->ColorIndex();
        nName = m_pDlg->FindItemCondition(hName)->ColorIndex();
    });
    EXPECT_EQ(0, nCount);
    EXPECT_EQ(1, nName);
    const CAppSettings& st = CAppSettings::Get();
    ASSERT_NE(st.Font.Highlight[0], st.Font.Highlight[1]);
    const WindowPixels px = GrabWindow(m_hDlg);
    ASSERT_FALSE(px.rgb.empty());
    for (auto [hItem, nColour] : {std::pair{hCount, 0}, std::pair{hName, 1}}) {
        const ColourCount own = CountInItem(px, m_hTree, hItem, st.Font.Highlight[nColour]);
        ASSERT_GT(own.nAll, 0);
        EXPECT_GT(own.nOfColour * 2, own.nAll) << "colour " << nColour;   // mostly its highlight
        const ColourCount other = CountInItem(px, m_hTree, hItem, st.Font.Highlight[1 - nColour]);
        EXPECT_EQ(0, other.nOfColour) << "colour " << nColour;
    }
    for (int nColour : {0, 1})
        EXPECT_EQ(0, CountInItem(px, m_hTree, hPaid, st.Font.Highlight[nColour]).nOfColour);
    EXPECT_GT(CountInItem(px, m_hTree, hPaid, st.WindowColor).nOfColour, 0);

    const wchar_t* pszDir = _wgetenv(L"ZV_SCREENSHOT_DIR");
    if (pszDir && *pszDir) {
        const std::wstring path = std::wstring(pszDir) + L"\\FindDialog.png";
        EXPECT_TRUE(WritePng(path, px.w, px.h, px.rgb));
    }
}

}  // namespace
