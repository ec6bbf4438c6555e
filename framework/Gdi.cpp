// GDI wrappers.
#include "framework/Gdi.h"
#include "framework/Wnd.h"

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
    m_h.reset(static_cast<HBITMAP>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nIDResource),
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    return m_h ? TRUE : FALSE;
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow) {
    m_h.reset(::ImageList_Create(cx, cy, nFlags, nInitial, nGrow));
    return m_h ? TRUE : FALSE;
}

BOOL CImageList::Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask) {
    m_h.reset(::ImageList_LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nBitmapID), cx, nGrow, crMask,
                                     IMAGE_BITMAP, LR_CREATEDIBSECTION));
    return m_h ? TRUE : FALSE;
}

int CImageList::Add(CBitmap* pbmImage, COLORREF crMask) {
    return pbmImage ? Add(pbmImage->GetSafeHandle(), crMask) : -1;
}

int CImageList::Add(HBITMAP hbmImage, COLORREF crMask) {
    return m_h ? ::ImageList_AddMasked(m_h.get(), hbmImage, crMask) : -1;
}

int CImageList::Add(HBITMAP hbmImage, HBITMAP hbmMask) {
    return m_h ? ::ImageList_Add(m_h.get(), hbmImage, hbmMask) : -1;
}

int CImageList::Add(HICON hIcon) {
    return m_h ? ::ImageList_AddIcon(m_h.get(), hIcon) : -1;
}

BOOL CImageList::Remove(int nImage) { return m_h && ::ImageList_Remove(m_h.get(), nImage); }

int CImageList::GetImageCount() const { return m_h ? ::ImageList_GetImageCount(m_h.get()) : 0; }

BOOL CImageList::Draw(HDC hdc, int nImage, POINT pt, UINT nStyle) const {
    return m_h && ::ImageList_Draw(m_h.get(), nImage, hdc, pt.x, pt.y, nStyle);
}

COLORREF CImageList::SetBkColor(COLORREF cr) { return m_h ? ::ImageList_SetBkColor(m_h.get(), cr) : CLR_NONE; }

void CDC::FillSolidRect(const RECT* pRect, COLORREF clr) {
    // Leaves the background colour set to clr, as owner-draw code expects.
    ::SetBkColor(m_hDC, clr);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, pRect, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
    RECT rc{x, y, x + cx, y + cy};
    FillSolidRect(&rc, clr);
}

CPaintDC::CPaintDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = ::BeginPaint(hWnd, &m_ps); }
CPaintDC::CPaintDC(const CWnd* pWnd) : CPaintDC(pWnd->m_hWnd) {}
CPaintDC::~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

CClientDC::CClientDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = ::GetDC(hWnd); }
CClientDC::CClientDC(const CWnd* pWnd) : CClientDC(pWnd->m_hWnd) {}
CClientDC::~CClientDC() { if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC); }
