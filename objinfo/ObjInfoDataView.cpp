// The data view of the object-information window: its lists, their rows,
// layout, background and scroll bars, and copying to the clipboard.
#include "objinfo/ObjInfoDataView.h"
#include <windowsx.h>
#include <algorithm>
#include <new>
#include "framework/Clipboard.h"
#include "objinfo/ObjInfo.h"
#include "objinfo/ObjInfoHints.h"
#include "resources/ObjInfoRes.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNCREATE(CObjInfoDataView, CFormView)

LPVOID (WINAPI* CObjInfoDataView::s_pfnGlobalLock)(HGLOBAL) = &::GlobalLock;

namespace {
using UniqueHRgn = UniqueHandle<handle_traits::Gdi<HRGN>>;

// A list's width or height as the control takes it: never negative, so
// that a window too small for its margins never asks a column to size
// itself to its contents (-1 and -2 mean that to the control).
int NonNegative(long v) { return v < 0 ? 0 : static_cast<int>(v); }

// The top of the rows (below the header) and the height of one row; 0, 0
// without rows. Taken from the first row on the page: row 0 of a scrolled
// list lies above the header.
void RowMetrics(const CListCtrlEx& list, int& top, int& height) {
    top = height = 0;
    RECT rc{};
    const int first = list.GetItemCount() > 0 ? std::max(0, list.GetTopIndex()) : -1;
    if (first >= 0 && list.GetItemRect(first, &rc, LVIR_BOUNDS)) {
        top = rc.top;
        height = rc.bottom - rc.top;
    }
}
}  // namespace

CObjInfoDataView::CObjInfoDataView() : CFormView(IDD_OBJINFO_DATA) {}

CObjInfoDataView::~CObjInfoDataView() = default;

void CObjInfoDataView::DoDataExchange() {
    if (m_listInterface.m_hWnd) return;
    m_listInterface.SubclassDlgItem(IDC_OBJINFO_INTERFACE_LIST, this);
    m_listDeclare.SubclassDlgItem(IDC_OBJINFO_DECLARE_LIST, this);
    m_listMember.SubclassDlgItem(IDC_OBJINFO_MEMBER_LIST, this);
}

LRESULT CObjInfoDataView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:             OnSize(); return 0;
    case WM_ERASEBKGND:       PaintBackground(); return TRUE;
    case WM_DESTROY:          OnDestroy(); break;
    case UM_LIST_CONTEXTMENU: OnListContextMenu(reinterpret_cast<HWND>(wParam), lParam); return 0;
    case UM_LIST_COPY:        OnListCopy(reinterpret_cast<HWND>(wParam)); return 0;
    }
    return CFormView::WindowProc(message, wParam, lParam);
}

void CObjInfoDataView::PostError(UINT nCode) {
    if (CFrameWnd* frame = GetParentFrame())
        ::PostMessageW(frame->m_hWnd, UM_OBJINFO_DATA_ERROR, nCode, 0);
}

// --- set-up ----------------------------------------------------------------------

void CObjInfoDataView::OnInitialUpdate() {
    DoDataExchange();
    CFormView::OnInitialUpdate();
    ApplyFont(CAppSettings::Get().Font.ObjInfoWindow);
    for (CListCtrlEx* list : {&m_listInterface, &m_listDeclare, &m_listMember})
        list->SetExtendedStyle(list->GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    m_listInterface.InsertColumn(0, L"      Interface", LVCFMT_LEFT, 128);
    m_listInterface.InsertColumn(1, L"", LVCFMT_LEFT, 512);
    m_listMember.InsertColumn(0, L"", LVCFMT_LEFT, 128);
    m_listMember.InsertColumn(1, L"", LVCFMT_LEFT, 512);
    m_listDeclare.InsertColumn(0, L"      Declare", LVCFMT_LEFT, 512);
    const ObjInfoWindowPlacement& saved = CAppSettings::Get().Window.ObjInfoWindow;
    if (saved.nFirstColumn1 != 0) m_listInterface.SetColumnWidth(0, LOWORD(saved.nFirstColumn1));
    if (saved.nFirstColumn2 != 0) m_listMember.SetColumnWidth(0, LOWORD(saved.nFirstColumn2));
    try {
        LayoutLists();
    } catch (const CExcept& e) {
        PostError(e.m_nCode);
    }
}

void CObjInfoDataView::ApplyFont(const LOGFONTW& lf) {
    m_font.DeleteObject();
    m_font.CreateFontIndirect(&lf);
    for (CListCtrlEx* list : {&m_listInterface, &m_listDeclare, &m_listMember})
        if (list->m_hWnd) list->SetFont(m_font, TRUE);
}

void CObjInfoDataView::OnUpdate(CView*, LPARAM lHint, CObject* pHint) {
    // The declaration list is refilled and moved below: no scroll bar
    // meanwhile. A move or resize of the frame that is under way keeps its flag.
    const bool sizeMoveBefore = m_listDeclare.m_bSizeMove;
    m_listDeclare.m_bSizeMove = true;
    try {
        switch (lHint) {
        case OBJINFO_HINT_SHOW_RECORD:
            ShowInterface(FromHint<CObjInfo>(pHint));
            break;
        case OBJINFO_HINT_SHOW_MEMBER:
            BuildDeclaration(FromHint<CMemberInfo>(pHint));
            ShowMember(FromHint<CMemberInfo>(pHint));
            break;
        case OBJINFO_HINT_FONT:
            ApplyFont(CAppSettings::Get().Font.ObjInfoWindow);
            break;
        }
        LayoutLists();
    } catch (const CExcept& e) {
        PostError(e.m_nCode);
    }
    m_listDeclare.m_bSizeMove = sizeMoveBefore;
    if (!m_listDeclare.m_bSizeMove && !m_listDeclare.m_bTracking) ShowBarWhereNeeded(m_listDeclare);
}

// --- rows ------------------------------------------------------------------------

int CObjInfoDataView::AddRow(CListCtrlEx& list, int nRow, LPCWSTR pszLabel, LPCWSTR pszValue, LPARAM lData) {
    if (!pszValue || !*pszValue) return nRow;
    const int i = list.InsertItem(nRow, pszLabel, lData);
    if (i < 0) throw CExcept(ZV_ERR_INSERT_OBJINFOLIST);
    if (!list.SetItemText(i, 1, pszValue)) throw CExcept(ZV_ERR_INSERT_OBJINFOLIST);
    return i + 1;
}

void CObjInfoDataView::ShowInterface(const CObjInfo* pInfo) {
    m_listInterface.DeleteAllItems();
    if (!pInfo) return;
    int row = 0;
    row = AddRow(m_listInterface, row, L"Kind", pInfo->m_bDispatch ? L"DispInterface" : L"Interface", 1);
    row = AddRow(m_listInterface, row, L"Name", pInfo->m_name, 1);
    row = AddRow(m_listInterface, row, L"IID", CBstr::FromGuid(pInfo->m_iid), 1);
    row = AddRow(m_listInterface, row, L"Document", pInfo->m_doc, 1);
    if (pInfo->m_libid != GUID_NULL) {
        row = AddRow(m_listInterface, row, L" ", L" ", 1);
        row = AddRow(m_listInterface, row, L"TypeLib", CBstr::FromGuid(pInfo->m_libid), 1);
        for (int i = 0; i < pInfo->m_nPairs && pInfo->m_pPairs; ++i) {
            const CNameValue& pair = pInfo->m_pPairs[i];
            if (pair.m_name.IsEmpty()) break;
            row = AddRow(m_listInterface, row, pair.m_name, pair.m_value, 1);
        }
    }
}

LPCWSTR CObjInfoDataView::GetKindName(const CMemberInfo& member) { return member.GetKindName(); }

void CObjInfoDataView::ShowMember(const CMemberInfo* pMember) {
    m_listMember.DeleteAllItems();
    if (!pMember) return;
    int row = 0;
    row = AddRow(m_listMember, row, GetKindName(*pMember), L" ", 0);
    row = AddRow(m_listMember, row, L"  Type", pMember->m_typeText, 1);
    row = AddRow(m_listMember, row, L"  Name", pMember->m_name, 1);
    CBstr id;
    row = AddRow(m_listMember, row, L"  ID", pMember->GetIdText(id), 1);
    row = AddRow(m_listMember, row, L"  Document", pMember->m_doc, 1);
    if (pMember->IsVararg()) row = AddRow(m_listMember, row, L"  Attribute", L"vararg", 1);
    ShowArguments(*pMember, row);
}

void CObjInfoDataView::ShowArguments(const CMemberInfo& member, int nRow) {
    if (member.m_nParams > 0 && member.m_pParams) nRow = AddRow(m_listMember, nRow, L" ", L" ", 1);
    for (int i = 0; i < member.m_nParams && member.m_pParams; ++i) {
        const CParamInfo& p = member.m_pParams[i];
        CBstr number;
        number.SetInt(i);
        nRow = AddRow(m_listMember, nRow, L"Argument", number, 0);
        nRow = AddRow(m_listMember, nRow, L"  Type", p.m_typeText, 1);
        nRow = AddRow(m_listMember, nRow, L"  Name", p.m_name, 1);
        if (p.m_dwFlags & CParamInfo::PF_HASDEFAULT)
            nRow = AddRow(m_listMember, nRow, L"  Default", p.m_defaultText, 1);
        CBstr attributes;
        nRow = AddRow(m_listMember, nRow, L"  Attribute", p.GetAttributeText(attributes), 1);
    }
}

// --- declaration -------------------------------------------------------------------

void CObjInfoDataView::BuildDeclaration(const CMemberInfo* pMember) {
    m_declLines.clear();
    try {
        if (pMember && pMember->Kind() > CMemberInfo::MK_PROPPUTREF) {
            CBstr line;
            line.Format(L"%s %s", static_cast<LPCWSTR>(pMember->m_typeText), static_cast<LPCWSTR>(pMember->m_name));
            m_declLines.push_back(line);
        } else if (pMember) {
            const int n = std::max(0, pMember->m_nParams) + 3;
            m_declLines.resize(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) pMember->GetDeclarationLine(i, m_declLines[i]);
        }
    } catch (const std::bad_alloc&) {
        m_declLines.clear();
        throw CExcept(ZV_ERR_MEMORY);
    }
    RECT rc{0, 0, 0, 0};
    FillDeclaration(rc, true);
}

void CObjInfoDataView::FillDeclaration(RECT& rect, bool bForce) {
    auto insert = [this](int row, LPCWSTR text) {
        if (m_listDeclare.InsertItem(row, text, 0) < 0) throw CExcept(ZV_ERR_INSERT_OBJINFOLIST);
    };
    const int n = static_cast<int>(m_declLines.size());
    const int width = rect.right - rect.left;
    RECT client{};
    m_listDeclare.GetClientRect(&client);
    rect = RECT{0, 0, width > 0 ? width : client.right - client.left, 0};
    if (n == 0) {
        m_listDeclare.DeleteAllItems();
        insert(0, L"");
    } else if (n == 1) {
        if (bForce) {
            m_listDeclare.DeleteAllItems();
            insert(0, m_declLines[0]);
        }
    } else {
        const int textWidth = m_listDeclare.GetStringWidth(m_declLines[0]);
        const int rows = m_listDeclare.GetItemCount();
        if (textWidth < rect.right - 10) {
            if (bForce || rows >= 2) {
                m_listDeclare.DeleteAllItems();
                insert(0, m_declLines[0]);
            }
        } else if (bForce || rows <= 1) {
            m_listDeclare.DeleteAllItems();
            for (int i = 1; i < n; ++i) insert(i - 1, m_declLines[i]);
        }
    }
    int top = 0, height = 0;
    RowMetrics(m_listDeclare, top, height);
    const int rows = std::clamp(m_listDeclare.GetItemCount(), 1, 20);
    rect.bottom = rect.top + top + height * rows;
}

// --- layout and painting --------------------------------------------------------------

void CObjInfoDataView::LayoutLists() {
    if (!m_listInterface.m_hWnd) return;
    RECT client;
    GetClientRect(&client);
    const int w = NonNegative(client.right - client.left - 20);

    int top = 0, height = 0;
    RowMetrics(m_listInterface, top, height);
    const int h1 = m_listInterface.GetItemCount() > 0 ? top + height * m_listInterface.GetItemCount() : 0;

    // The declaration's form is chosen for the width the list gets now.
    RECT decl{0, 0, w, 0};
    FillDeclaration(decl, false);
    const int h2 = NonNegative(decl.bottom - decl.top);
    const int h3 = NonNegative(client.bottom - h1 - h2 - 50);

    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW;
    if (HDWP dwp = ::BeginDeferWindowPos(3)) {
        dwp = ::DeferWindowPos(dwp, m_listInterface, nullptr, 10, 10, w, h1, flags);
        if (dwp) dwp = ::DeferWindowPos(dwp, m_listDeclare, nullptr, 10, h1 + 30, w, h2, flags);
        if (dwp) dwp = ::DeferWindowPos(dwp, m_listMember, nullptr, 10, h1 + h2 + 40, w, h3, flags);
        if (dwp) ::EndDeferWindowPos(dwp);
    }

    // The last column fills the list. A width that makes a scroll bar come
    // or go changes the client width it was taken from: then once more.
    auto fill = [](CListCtrlEx& list, int column) {
        for (int pass = 0; pass < 2; ++pass) {
            RECT rc;
            list.GetClientRect(&rc);
            const long others = column == 1 ? list.GetColumnWidth(0) : 0;
            list.SetColumnWidth(column, NonNegative(rc.right - rc.left - others - 1) & 0xFFFF);
            RECT after;
            list.GetClientRect(&after);
            if (after.right - after.left == rc.right - rc.left) break;
        }
    };
    fill(m_listInterface, 1);
    fill(m_listMember, 1);
    fill(m_listDeclare, 0);
}

void CObjInfoDataView::PaintBackground() {
    if (!m_listInterface.m_hWnd) return;
    RECT client;
    GetClientRect(&client);
    UniqueHRgn region(::CreateRectRgnIndirect(&client));
    if (!region) return;
    for (const CListCtrlEx* list : {&m_listInterface, &m_listDeclare, &m_listMember}) {
        RECT rc;
        list->GetWindowRect(&rc);
        ScreenToClient(&rc);
        UniqueHRgn hole(::CreateRectRgnIndirect(&rc));
        if (hole) ::CombineRgn(region.get(), region.get(), hole.get(), RGN_DIFF);
    }
    CClientDC dc(this);
    ::FillRgn(dc, region.get(), CAppSettings::Get().WindowBrush);
}

void CObjInfoDataView::OnSize() {
    Default();
    try {
        LayoutLists();
        PaintBackground();
    } catch (const CExcept& e) {
        PostError(e.m_nCode);
    }
}

// --- scroll bars while moving ------------------------------------------------------------

void CObjInfoDataView::ShowBarWhereNeeded(CListCtrlEx& list) {
    if (list.m_hWnd && list.HasMoreRowsThanPage()) ::ShowScrollBar(list, SB_VERT, TRUE);
}

void CObjInfoDataView::SetTrackingFlag(BOOL b) {
    try {
        for (CListCtrlEx* list : {&m_listInterface, &m_listDeclare, &m_listMember}) list->m_bTracking = b != FALSE;
        if (!b) {
            for (CListCtrlEx* list : {&m_listInterface, &m_listDeclare, &m_listMember})
                if (!list->m_bSizeMove) ShowBarWhereNeeded(*list);
            LayoutLists();
            PaintBackground();
        }
    } catch (const CExcept& e) {
        PostError(e.m_nCode);
    }
}

void CObjInfoDataView::SetSizeMoveFlag(BOOL b) {
    try {
        for (CListCtrlEx* list : {&m_listInterface, &m_listDeclare, &m_listMember}) list->m_bSizeMove = b != FALSE;
        if (!b) {
            for (CListCtrlEx* list : {&m_listInterface, &m_listDeclare, &m_listMember})
                if (!list->m_bTracking) ShowBarWhereNeeded(*list);
            LayoutLists();
            PaintBackground();
        }
    } catch (const CExcept& e) {
        PostError(e.m_nCode);
    }
}

void CObjInfoDataView::OnDestroy() {
    ObjInfoWindowPlacement& saved = CAppSettings::Get().Window.ObjInfoWindow;
    if (m_listInterface.m_hWnd) saved.nFirstColumn1 = static_cast<UINT>(m_listInterface.GetColumnWidth(0));
    if (m_listMember.m_hWnd) saved.nFirstColumn2 = static_cast<UINT>(m_listMember.GetColumnWidth(0));
}

// --- context menu and copy -----------------------------------------------------------------

CListCtrlEx* CObjInfoDataView::ListFromHandle(HWND hList) {
    for (CListCtrlEx* list : {&m_listInterface, &m_listDeclare, &m_listMember})
        if (list->m_hWnd && list->m_hWnd == hList) return list;
    return nullptr;
}

void CObjInfoDataView::OnListContextMenu(HWND hList, LPARAM lFromKeyboard) {
    CListCtrlEx* list = ListFromHandle(hList);
    if (!list) return;
    UniqueHMenu menu(::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_OBJINFO_DATA_POPUP)));
    HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup) return;
    const int first = list->GetNextItem(-1, LVNI_SELECTED);
    if (first < 0) return;
    POINT pt{};
    if (lFromKeyboard) {
        const int top = list->GetTopIndex();
        if (first >= top && first < top + list->GetCountPerPage()) {
            RECT label{};
            if (!list->GetItemRect(first, &label, LVIR_LABEL)) return;
            pt = POINT{label.left, label.bottom};
            ::ClientToScreen(hList, &pt);
        } else {
            RECT wr;
            list->GetWindowRect(&wr);
            pt = POINT{wr.left, wr.top};
        }
    } else {
        ::GetCursorPos(&pt);
    }
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hList, nullptr);
}

std::wstring CObjInfoDataView::CopySelection(const CListCtrlEx& list) const {
    const int column = (&list == &m_listDeclare) ? 0 : 1;
    std::wstring text;
    const UINT count = list.GetSelectedCount();
    UINT done = 0;
    for (int i = list.GetNextItem(-1, LVNI_SELECTED); i >= 0 && done < count;
         i = list.GetNextItem(i, LVNI_SELECTED)) {
        text += list.GetItemText(i, column);
        if (++done < count) text += L"\r\n";
    }
    return text;
}

void CObjInfoDataView::OnListCopy(HWND hList) {
    CListCtrlEx* list = ListFromHandle(hList);
    if (!list || list->GetSelectedCount() == 0) return;
    try {
        std::wstring text;
        try {
            text = CopySelection(*list);
        } catch (const std::bad_alloc&) {
            throw CExcept(ZV_ERR_MEMORY_BSTR);
        }
        CopyToClipboard(text);
    } catch (const CExcept& e) {
        PostError(e.m_nCode);
    }
}

void CObjInfoDataView::CopyToClipboard(const std::wstring& text) {
    CClipboard clipboard(m_hWnd);
    if (!clipboard.IsOpen()) throw CExcept(ZV_ERR_MEMORY);
    if (!clipboard.Empty()) throw CExcept(ZV_ERR_MEMORY);
    const SIZE_T bytes = (text.size() + 1) * sizeof(WCHAR);
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!mem) throw CExcept(ZV_ERR_MEMORY);
    void* p = s_pfnGlobalLock(mem);
    if (!p) {
        ::GlobalFree(mem);
        throw CExcept(ZV_ERR_MEMORY);
    }
    memcpy(p, text.c_str(), bytes);
    ::GlobalUnlock(mem);
    if (!clipboard.SetData(CF_UNICODETEXT, mem)) ::GlobalFree(mem);
}
