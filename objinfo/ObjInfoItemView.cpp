// The member tree of the object-information window.
#include "objinfo/ObjInfoItemView.h"
#include <windowsx.h>
#include <algorithm>
#include "objinfo/ObjInfo.h"
#include "objinfo/ObjInfoDoc.h"
#include "objinfo/ObjInfoHints.h"
#include "resources/ObjInfoRes.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNCREATE(CObjInfoItemView, CTreeView)

namespace {
using UniqueHRgn = UniqueHandle<handle_traits::Gdi<HRGN>>;

// The gap that a tree control leaves between an item's image and its text,
// at most.
constexpr int kImageTextGap = 3;

// Image of a member kind: 1 to 4 (the functions) as 2 to 5, the rest 6.
int ImageOfKind(DWORD kind) { return (kind >= 1 && kind <= 4) ? static_cast<int>(kind) + 1 : 6; }
}  // namespace

CObjInfoDoc* CObjInfoItemView::GetObjInfoDoc() const { return dynamic_cast<CObjInfoDoc*>(GetDocument()); }

BOOL CObjInfoItemView::PreCreateWindow(CREATESTRUCT& cs) {
    cs.style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
    return CTreeView::PreCreateWindow(cs);
}

LRESULT CObjInfoItemView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_RBUTTONDOWN: OnRButtonDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_CONTEXTMENU: OnContextMenu(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_ERASEBKGND:
        if (EraseOutsideItems(reinterpret_cast<HDC>(wParam))) return TRUE;
        break;
    }
    return CTreeView::WindowProc(message, wParam, lParam);
}

BOOL CObjInfoItemView::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (hdr->hwndFrom == m_hWnd) {
            switch (hdr->code) {
            case TVN_SELCHANGEDW: *pResult = OnSelChanged(*reinterpret_cast<const NMTREEVIEWW*>(lParam)); return TRUE;
            case NM_RCLICK:       *pResult = OnRClick(); return TRUE;
            }
        }
    }
    return CTreeView::OnChildNotify(message, wParam, lParam, pResult);
}

bool CObjInfoItemView::OnCmd(UINT nID, int nCode) {
    if (nCode != CN_COMMAND) return false;
    switch (nID) {
    case ID_OBJINFO_DELETE:     OnDelete(); return true;
    case ID_OBJINFO_DELETE_ALL: OnDeleteAll(); return true;
    }
    return false;
}

// --- set-up and hints -----------------------------------------------------------

void CObjInfoItemView::OnInitialUpdate() {
    CTreeView::OnInitialUpdate();
    ApplyFont(CAppSettings::Get().Font.ObjInfoWindow);
    m_images.Create(IDB_OBJINFO_ITEMS, m_nImageWidth, 0, CLR_NONE);
    GetTreeCtrl().SetImageList(m_images, TVSIL_NORMAL);
}

void CObjInfoItemView::ApplyFont(const LOGFONTW& lf) {
    m_font.DeleteObject();
    m_font.CreateFontIndirect(&lf);
    SetFont(m_font, TRUE);
}

void CObjInfoItemView::OnUpdate(CView*, LPARAM lHint, CObject* pHint) {
    try {
        switch (lHint) {
        case OBJINFO_HINT_ADD_RECORD:
            AddRecordItems(FromHint<CObjInfo>(pHint));
            break;
        case OBJINFO_HINT_FONT:
            ApplyFont(CAppSettings::Get().Font.ObjInfoWindow);
            m_nImageX = 0;  // measured again at the next erase
            break;
        }
    } catch (const CExcept& e) {
        if (CFrameWnd* frame = GetParentFrame())
            ::PostMessageW(frame->m_hWnd, UM_OBJINFO_ITEM_ERROR, e.m_nCode, 0);
    }
}

void CObjInfoItemView::AddRecordItems(CObjInfo* pInfo) {
    if (!pInfo) return;
    CTreeCtrl& tree = GetTreeCtrl();
    TVINSERTSTRUCTW ins{};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_FIRST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    ins.item.pszText = const_cast<LPWSTR>(static_cast<LPCWSTR>(pInfo->m_name));
    ins.item.iImage = ins.item.iSelectedImage = 1;
    ins.item.lParam = reinterpret_cast<LPARAM>(pInfo);
    HTREEITEM root = tree.InsertItem(&ins);
    if (!root) throw CExcept(ZV_ERR_INSERT_OBJINFOITEM);

    int pos = 0;
    while (pos != -1) {
        CMemberInfo* member = pInfo->GetNextMember(pos);
        if (!member) break;
        TVINSERTSTRUCTW child{};
        child.hParent = root;
        child.hInsertAfter = TVI_LAST;
        child.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        child.item.pszText = const_cast<LPWSTR>(static_cast<LPCWSTR>(member->m_name));
        child.item.iImage = child.item.iSelectedImage = ImageOfKind(member->Kind());
        child.item.lParam = reinterpret_cast<LPARAM>(member);
        if (!tree.InsertItem(&child)) throw CExcept(ZV_ERR_INSERT_OBJINFOITEM);
    }
    tree.Expand(root, TVE_EXPAND);
    tree.SelectItem(root);
}

LRESULT CObjInfoItemView::OnSelChanged(const NMTREEVIEWW& nm) {
    HTREEITEM item = nm.itemNew.hItem;
    if (!item) return 0;
    const CTreeCtrl& tree = GetTreeCtrl();
    CObjInfo* record = nullptr;
    CMemberInfo* member = nullptr;
    if (HTREEITEM parent = tree.GetParentItem(item)) {
        record = reinterpret_cast<CObjInfo*>(tree.GetItemData(parent));
        member = reinterpret_cast<CMemberInfo*>(tree.GetItemData(item));
    } else {
        record = reinterpret_cast<CObjInfo*>(tree.GetItemData(item));
    }
    if (CDocument* doc = GetDocument()) {
        doc->UpdateAllViews(nullptr, OBJINFO_HINT_SHOW_RECORD, ToHint(record));
        doc->UpdateAllViews(nullptr, OBJINFO_HINT_SHOW_MEMBER, ToHint(member));
    }
    return 0;
}

// --- painting ------------------------------------------------------------------------

void CObjInfoItemView::OnSize(UINT, int cx, int cy) {
    Default();
    const int lastWidth = m_rcLastClient.right - m_rcLastClient.left;
    if (cx > lastWidth && m_rcLastClient.bottom > m_rcLastClient.top) {
        CClientDC dc(this);
        RECT strip{m_rcLastClient.right, m_rcLastClient.top, cx, m_rcLastClient.bottom};
        dc.FillSolidRect(&strip, CAppSettings::Get().WindowColor);
    }
    GetClientRect(&m_rcLastClient);
}

RECT CObjInfoItemView::IconRect(const RECT& rcText) {
    int width = m_nImageWidth;
    if (m_nImageX == 0) {
        const CTreeCtrl& tree = GetTreeCtrl();
        HTREEITEM root = tree.GetRootItem();
        RECT text{}, button{};
        const bool haveText = root && tree.GetItemRect(root, &text, TRUE);
        if (haveText && tree.GetItemPartRect(root, TVGIPR_BUTTON, &button)) {
            m_nImageX = (text.left - m_nImageWidth - button.right - 1) / 2 - text.left - 1 + button.right;
        } else {
            // The control does not tell where its button is: the image lies
            // right before the text, with a gap of up to a few pixels.
            m_nImageX = -(m_nImageWidth + kImageTextGap);
        }
        m_nImageY = haveText ? (text.bottom - m_nImageHeight - text.top) / 2 : 0;
    }
    if (m_nImageX == -(m_nImageWidth + kImageTextGap)) width = m_nImageWidth + kImageTextGap;
    m_rcImage.left = rcText.left + m_nImageX;
    m_rcImage.top = rcText.top + m_nImageY;
    m_rcImage.right = m_rcImage.left + width;
    m_rcImage.bottom = m_rcImage.top + m_nImageHeight;
    return m_rcImage;
}

BOOL CObjInfoItemView::EraseOutsideItems(HDC hdc) {
    const CTreeCtrl& tree = GetTreeCtrl();
    if (tree.GetCount() == 0) return FALSE;
    RECT client;
    GetClientRect(&client);
    UniqueHRgn region(::CreateRectRgnIndirect(&client));
    if (!region) return FALSE;
    HTREEITEM item = tree.GetFirstVisibleItem();
    for (UINT n = tree.GetVisibleCount() + 1; item && n > 0; --n) {
        RECT text{};
        if (tree.GetItemRect(item, &text, TRUE)) {
            const RECT icon = IconRect(text);
            UniqueHRgn a(::CreateRectRgnIndirect(&text));
            UniqueHRgn b(::CreateRectRgnIndirect(&icon));
            if (a) ::CombineRgn(region.get(), region.get(), a.get(), RGN_DIFF);
            if (b) ::CombineRgn(region.get(), region.get(), b.get(), RGN_DIFF);
        }
        item = tree.GetNextVisibleItem(item);
    }
    ::FillRgn(hdc, region.get(), CAppSettings::Get().WindowBrush);
    return TRUE;
}

// --- mouse and context menu ---------------------------------------------------------------

void CObjInfoItemView::OnRButtonDown(POINT point) {
    CTreeCtrl& tree = GetTreeCtrl();
    tree.SelectItem(tree.HitTest(point));
    Default();
}

LRESULT CObjInfoItemView::OnRClick() {
    const CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM item = tree.GetSelectedItem();
    if (item && !tree.GetParentItem(item)) {
        POINT pt{};
        ::GetCursorPos(&pt);
        ShowContextMenu(pt.x, pt.y);
    }
    return 0;
}

void CObjInfoItemView::OnContextMenu(POINT point) {
    // A click of the right button has had its menu (OnRClick); the control
    // follows it with this message, which then serves only the keyboard.
    if (point.x != -1 || point.y != -1) return;
    const CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM item = tree.GetSelectedItem();
    RECT text{};
    if (!item || tree.GetParentItem(item) || !tree.GetItemRect(item, &text, TRUE)) return;
    POINT pt{text.left, text.bottom};
    ClientToScreen(&pt);
    ShowContextMenu(pt.x, pt.y);
}

void CObjInfoItemView::ShowContextMenu(int x, int y) {
    UniqueHMenu menu(::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_OBJINFO_ITEM_POPUP)));
    HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup) return;
    ::EnableMenuItem(popup, ID_OBJINFO_DELETE, MF_BYCOMMAND | MF_ENABLED);
    ::EnableMenuItem(popup, ID_OBJINFO_DELETE_ALL, MF_BYCOMMAND | MF_ENABLED);
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, m_hWnd, nullptr);
}

// --- deleting ----------------------------------------------------------------------------

void CObjInfoItemView::SelectRecordItem(const CObjInfo* pInfo) {
    CTreeCtrl& tree = GetTreeCtrl();
    for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextSiblingItem(item)) {
        if (reinterpret_cast<const CObjInfo*>(tree.GetItemData(item)) == pInfo) {
            tree.SelectItem(item);
            return;
        }
    }
}

void CObjInfoItemView::OnDelete() {
    CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM item = tree.GetSelectedItem();
    if (!item || tree.GetParentItem(item)) return;
    CObjInfo* record = reinterpret_cast<CObjInfo*>(tree.GetItemData(item));
    CObjInfoDoc* doc = GetObjInfoDoc();
    // The items go before their record.
    tree.DeleteItem(item);
    if (!doc) return;
    CObjInfo* shown = doc->DeleteRecord(record);
    // Whatever the control selected in place of the deleted item, the tree
    // shows the record that the data view now shows.
    if (shown) SelectRecordItem(shown);
}

void CObjInfoItemView::OnDeleteAll() {
    GetTreeCtrl().DeleteAllItems();
    if (CObjInfoDoc* doc = GetObjInfoDoc()) {
        doc->DeleteAllRecords();
        doc->UpdateAllViews(nullptr, OBJINFO_HINT_SHOW_RECORD, ToHint<CObjInfo>(nullptr));
    }
}
