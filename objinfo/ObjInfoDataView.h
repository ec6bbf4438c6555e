// The right pane of the object-information window: three report lists
// stacked from top to bottom, the selected record (interface list), the
// declaration of the selected member (declaration list) and the member's
// details with its arguments (member list). Rows of their selected lines copy
// to the clipboard. It lays the lists out itself, paints around them and
// hides their scroll bars while the window is moved or sized or the splitter
// is dragged.
//
// Document hints: 2 a CObjInfo or none, 3 a CMemberInfo or none, 4 the font;
// any other hint lays the lists out again.
#pragma once
#include <string>
#include <vector>
#include "framework/DocView.h"
#include "objinfo/ListCtrlEx.h"
#include "server/core/Bstr.h"

class CObjInfo;
class CMemberInfo;

class CObjInfoDataView : public CFormView {
    DECLARE_DYNCREATE(CObjInfoDataView)
public:
    CObjInfoDataView();
    ~CObjInfoDataView() override;

    // The splitter's drag of its bar begins (TRUE) or ends (FALSE).
    void SetTrackingFlag(BOOL b);
    // The frame's move or resize begins (TRUE) or ends (FALSE).
    void SetSizeMoveFlag(BOOL b);

    void OnInitialUpdate() override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The kind's name of a member ("Method" ... "Dispatch"), "" for others.
    static LPCWSTR GetKindName(const CMemberInfo& member);

    // The lists, for the window's tests.
    CListCtrlEx& InterfaceList() { return m_listInterface; }
    CListCtrlEx& DeclarationList() { return m_listDeclare; }
    CListCtrlEx& MemberList() { return m_listMember; }

    // The text that copying the list's selected rows gives: the rows'
    // column 0 (declaration list) or column 1 (the others), in index order,
    // joined by "\r\n"; empty with nothing selected.
    std::wstring CopySelection(const CListCtrlEx& list) const;

    // How the clipboard's memory is locked for the copy (a test replaces it
    // to make the lock fail).
    static LPVOID (WINAPI* s_pfnGlobalLock)(HGLOBAL hMem);

protected:
    void DoDataExchange();

private:
    void ApplyFont(const LOGFONTW& lf);
    int AddRow(CListCtrlEx& list, int nRow, LPCWSTR pszLabel, LPCWSTR pszValue, LPARAM lData);
    void ShowInterface(const CObjInfo* pInfo);
    void ShowMember(const CMemberInfo* pMember);
    void ShowArguments(const CMemberInfo& member, int nRow);
    void BuildDeclaration(const CMemberInfo* pMember);
    // Fills the declaration list in the form that its width wants (force:
    // always refill). rect: top 0, and right - left the width the list gets
    // (0: its width now); its bottom becomes the list's height.
    void FillDeclaration(RECT& rect, bool bForce);
    void LayoutLists();
    void PaintBackground();
    void ShowBarWhereNeeded(CListCtrlEx& list);
    void CopyToClipboard(const std::wstring& text);
    void PostError(UINT nCode);

    void OnSize();
    void OnDestroy();
    void OnListContextMenu(HWND hList, LPARAM lFromKeyboard);
    void OnListCopy(HWND hList);
    CListCtrlEx* ListFromHandle(HWND hList);

    CListCtrlEx m_listInterface;   // 1056, top
    CListCtrlEx m_listDeclare;     // 1057, middle
    CListCtrlEx m_listMember;      // 1055, bottom
    std::vector<CBstr> m_declLines;
    CFont m_font;
};
