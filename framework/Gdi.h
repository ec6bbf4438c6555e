// GDI objects and device contexts.
#pragma once
#include "framework/Handle.h"
#include <string>

class CWnd;

class CFont {
public:
    CFont() = default;
    BOOL CreateFontIndirect(const LOGFONTW* lpLogFont) { m_h.reset(::CreateFontIndirectW(lpLogFont)); return m_h ? TRUE : FALSE; }
    BOOL DeleteObject() { BOOL had = m_h ? TRUE : FALSE; m_h.reset(); return had; }
    BOOL GetLogFont(LOGFONTW* pLogFont) const { return m_h && ::GetObjectW(m_h.get(), sizeof(*pLogFont), pLogFont) != 0; }
    HFONT GetSafeHandle() const { return m_h.get(); }
    operator HFONT() const { return m_h.get(); }
    void Attach(HFONT h) { m_h.reset(h); }
    HFONT Detach() { return m_h.release(); }
private:
    UniqueHFont m_h;
};

class CBrush {
public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
    BOOL CreateSolidBrush(COLORREF crColor) { m_h.reset(::CreateSolidBrush(crColor)); return m_h ? TRUE : FALSE; }
    BOOL CreateSysColorBrush(int nIndex) { m_h.reset(::CreateSolidBrush(::GetSysColor(nIndex))); return m_h ? TRUE : FALSE; }
    BOOL DeleteObject() { BOOL had = m_h ? TRUE : FALSE; m_h.reset(); return had; }
    HBRUSH GetSafeHandle() const { return m_h.get(); }
    operator HBRUSH() const { return m_h.get(); }
    void Attach(HBRUSH h) { m_h.reset(h); }
    HBRUSH Detach() { return m_h.release(); }
private:
    UniqueHBrush m_h;
};

class CBitmap {
public:
    CBitmap() = default;
    BOOL LoadBitmap(UINT nIDResource);
    BOOL CreateCompatibleBitmap(HDC hdc, int nWidth, int nHeight) { m_h.reset(::CreateCompatibleBitmap(hdc, nWidth, nHeight)); return m_h ? TRUE : FALSE; }
    BOOL DeleteObject() { BOOL had = m_h ? TRUE : FALSE; m_h.reset(); return had; }
    BOOL GetBitmap(BITMAP* pBitmap) const { return m_h && ::GetObjectW(m_h.get(), sizeof(*pBitmap), pBitmap) != 0; }
    HBITMAP GetSafeHandle() const { return m_h.get(); }
    operator HBITMAP() const { return m_h.get(); }
    void Attach(HBITMAP h) { m_h.reset(h); }
    HBITMAP Detach() { return m_h.release(); }
private:
    UniqueHBitmap m_h;
};

class CImageList {
public:
    CImageList() = default;
    // nFlags: ILC_COLOR* | ILC_MASK ...
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    // From a bitmap resource of images cx wide; crMask marks the transparent colour.
    BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask);
    // Adds the images of a bitmap; pixels of crMask become transparent. Index of the first, or -1.
    int Add(CBitmap* pbmImage, COLORREF crMask);
    int Add(HBITMAP hbmImage, COLORREF crMask);
    int Add(HBITMAP hbmImage, HBITMAP hbmMask);
    int Add(HICON hIcon);
    BOOL Remove(int nImage);
    int GetImageCount() const;
    BOOL Draw(HDC hdc, int nImage, POINT pt, UINT nStyle) const;
    COLORREF SetBkColor(COLORREF cr);
    BOOL DeleteImageList() { BOOL had = m_h ? TRUE : FALSE; m_h.reset(); return had; }
    HIMAGELIST GetSafeHandle() const { return m_h.get(); }
    operator HIMAGELIST() const { return m_h.get(); }
    void Attach(HIMAGELIST h) { m_h.reset(h); }
    HIMAGELIST Detach() { return m_h.release(); }
private:
    UniqueHImageList m_h;
};

// A region. CombineRgn works on regions that already exist (make the target
// first, e.g. with CreateRectRgn(0, 0, 0, 0)).
class CRgn {
public:
    CRgn() = default;
    BOOL CreateRectRgn(int x1, int y1, int x2, int y2) { m_h.reset(::CreateRectRgn(x1, y1, x2, y2)); return m_h ? TRUE : FALSE; }
    BOOL CreateRectRgnIndirect(const RECT* lpRect) { m_h.reset(::CreateRectRgnIndirect(lpRect)); return m_h ? TRUE : FALSE; }
    BOOL SetRectRgn(const RECT* lpRect) { return m_h && ::SetRectRgn(m_h.get(), lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    // This region becomes pRgn1 <mode> pRgn2 (RGN_AND, RGN_OR, RGN_DIFF...);
    // the region type, or ERROR.
    int CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode) {
        return (m_h && pRgn1 && pRgn1->m_h) ? ::CombineRgn(m_h.get(), pRgn1->m_h.get(), pRgn2 ? pRgn2->m_h.get() : nullptr, nCombineMode) : ERROR;
    }
    int GetRgnBox(RECT* lpRect) const { return m_h ? ::GetRgnBox(m_h.get(), lpRect) : ERROR; }
    BOOL PtInRegion(int x, int y) const { return m_h && ::PtInRegion(m_h.get(), x, y); }
    BOOL DeleteObject() { BOOL had = m_h ? TRUE : FALSE; m_h.reset(); return had; }
    HRGN GetSafeHandle() const { return m_h.get(); }
    operator HRGN() const { return m_h.get(); }
private:
    UniqueHRgn m_h;
};

// A device context that the wrapper does not own (e.g. the hDC of a
// DRAWITEMSTRUCT). CPaintDC and CClientDC own theirs.
class CDC {
public:
    HDC m_hDC = nullptr;

    CDC() = default;
    explicit CDC(HDC hdc) : m_hDC(hdc) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC() = default;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    void Attach(HDC hdc) { m_hDC = hdc; }
    HDC Detach() { HDC h = m_hDC; m_hDC = nullptr; return h; }

    void FillSolidRect(const RECT* pRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    void FillRect(const RECT* pRect, HBRUSH hBrush) { ::FillRect(m_hDC, pRect, hBrush); }
    void FrameRect(const RECT* pRect, HBRUSH hBrush) { ::FrameRect(m_hDC, pRect, hBrush); }
    BOOL FillRgn(HRGN hRgn, HBRUSH hBrush) { return ::FillRgn(m_hDC, hRgn, hBrush); }
    void DrawFocusRect(const RECT* pRect) { ::DrawFocusRect(m_hDC, pRect); }
    COLORREF SetTextColor(COLORREF clr) { return ::SetTextColor(m_hDC, clr); }
    COLORREF SetBkColor(COLORREF clr) { return ::SetBkColor(m_hDC, clr); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int nMode) { return ::SetBkMode(m_hDC, nMode); }
    int DrawText(LPCWSTR lpszString, int nCount, RECT* pRect, UINT nFormat) { return ::DrawTextW(m_hDC, lpszString, nCount, pRect, nFormat); }
    int DrawText(const std::wstring& str, RECT* pRect, UINT nFormat) { return DrawText(str.c_str(), static_cast<int>(str.size()), pRect, nFormat); }
    BOOL TextOut(int x, int y, LPCWSTR lpszString, int nCount) { return ::TextOutW(m_hDC, x, y, lpszString, nCount); }
    SIZE GetTextExtent(LPCWSTR lpszString, int nCount) const { SIZE s{}; ::GetTextExtentPoint32W(m_hDC, lpszString, nCount, &s); return s; }
    BOOL GetTextMetrics(TEXTMETRICW* ptm) const { return ::GetTextMetricsW(m_hDC, ptm); }
    HFONT SelectObject(HFONT h) { return static_cast<HFONT>(::SelectObject(m_hDC, h)); }
    HBRUSH SelectObject(HBRUSH h) { return static_cast<HBRUSH>(::SelectObject(m_hDC, h)); }
    HPEN SelectObject(HPEN h) { return static_cast<HPEN>(::SelectObject(m_hDC, h)); }
    HBITMAP SelectObject(HBITMAP h) { return static_cast<HBITMAP>(::SelectObject(m_hDC, h)); }
    HGDIOBJ SelectStockObject(int nIndex) { return ::SelectObject(m_hDC, ::GetStockObject(nIndex)); }
    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int nSavedDC) { return ::RestoreDC(m_hDC, nSavedDC); }
    BOOL BitBlt(int x, int y, int cx, int cy, HDC hSrc, int xSrc, int ySrc, DWORD rop) { return ::BitBlt(m_hDC, x, y, cx, cy, hSrc, xSrc, ySrc, rop); }
    BOOL MoveTo(int x, int y) { return ::MoveToEx(m_hDC, x, y, nullptr); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    int GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hDC, nIndex); }
};

// Selects a GDI object into a DC for one scope and puts the old one back.
class CDCSelect {
public:
    CDCSelect(HDC hdc, HGDIOBJ obj) : m_hdc(hdc), m_old(obj ? ::SelectObject(hdc, obj) : nullptr) {}
    ~CDCSelect() { if (m_old) ::SelectObject(m_hdc, m_old); }
    CDCSelect(const CDCSelect&) = delete;
    CDCSelect& operator=(const CDCSelect&) = delete;
private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND hWnd);
    explicit CPaintDC(const CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};
private:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(HWND hWnd);
    explicit CClientDC(const CWnd* pWnd);
    ~CClientDC() override;
private:
    HWND m_hWnd;
};
