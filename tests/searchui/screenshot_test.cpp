// A picture of the find dialog with two conditions, for checking by eye:
// with ZV_SCREENSHOT_DIR set, the dialog's screen rectangle is saved there as
// FindDialog.png (tools/finddialog-screenshot runs it); otherwise skipped.
#include "finddialog_util.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/WindowShot.h"
#include "server/core/Messages.h"

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

bool CaptureWindow(HWND hWnd, const std::wstring& path) {
    const WindowPixels px = GrabWindow(hWnd);
    return WritePng(path, px.w, px.h, px.rgb);
}

TEST_F(FindDialogTest, ScreenshotWithTwoConditions) {
    const wchar_t* pszDir = _wgetenv(L"ZV_SCREENSHOT_DIR");
    if (!pszDir || !*pszDir) GTEST_SKIP() << "ZV_SCREENSHOT_DIR not set";
    CLogNode* pCall = AddCall(L"Order", 1, {{L"Count", L"LONG", L"12"}, {L"Name", L"BSTR", L"abc"},
                                            {L"Paid", L"VARIANT_BOOL", L"True"}});
    for (int i = 0; i < 3; ++i) ToggleInView(Member(pCall, i));
    ASSERT_NE(nullptr, OpenDialog());
    ::SetWindowPos(m_hDlg, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Select(ItemNamed(L" Count = 12"));
    Key(VK_SPACE);
    Type(IDC_FIND_VALUE1, L">= 10");
    Type(IDC_FIND_VALUE1, L"10");
    PickOperator(IDC_FIND_OPERATOR1, SOP_GREATER_EQUAL);
    Select(ItemNamed(L" Name = abc"));
    Key(VK_SPACE);
    Type(IDC_FIND_VALUE1, L"ab");
    PickOperator(IDC_FIND_OPERATOR1, SOP_BEGINS);
    Click(IDC_FIND_CASE1);
    Select(ItemNamed(L" Count = 12"));
    Select(ItemNamed(L" Name = abc"));
    m_host->OnLog([&] {
        ::SetForegroundWindow(m_hDlg);
        ::RedrawWindow(m_hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    });
    PumpFor(300);
    const std::wstring path = std::wstring(pszDir) + L"\\FindDialog.png";
    EXPECT_TRUE(CaptureWindow(m_hDlg, path));
}

}  // namespace
