// The left pane of the object-information window: a tree with one root item
// per record (newest first) and one child per member. Selecting an item
// shows its record and member in the data view; a record's context menu
// deletes it or every record.
#pragma once
#include "framework/Gdi.h"
#include "framework/TreeView.h"

class CObjInfo;
class CObjInfoDoc;

class CObjInfoItemView : public CTreeView {
    DECLARE_DYNCREATE(CObjInfoItemView)
public:
    CObjInfoItemView() = default;
    ~CObjInfoItemView() override = default;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void OnInitialUpdate() override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    CObjInfoDoc* GetObjInfoDoc() const;
    // The rectangle in which the tree draws the image of the item whose text
    // rectangle is rcText (16 x 16 between the expand button and the text;
    // where the control cannot tell where its button is, the strip of the
    // image's width and the gap before the text).
    RECT IconRect(const RECT& rcText);
    // Fills the client area outside the visible items' texts and images;
    // FALSE for a tree without items.
    BOOL EraseOutsideItems(HDC hdc);

    void OnDelete();
    void OnDeleteAll();

protected:
    bool OnCmd(UINT nID, int nCode) override;

private:
    void ApplyFont(const LOGFONTW& lf);
    void AddRecordItems(CObjInfo* pInfo);
    LRESULT OnSelChanged(const NMTREEVIEWW& nm);
    void OnSize(UINT nType, int cx, int cy);
    void OnRButtonDown(POINT point);
    LRESULT OnRClick();
    void OnContextMenu(POINT point);
    void ShowContextMenu(int x, int y);
    void SelectRecordItem(const CObjInfo* pInfo);

    int m_nImageHeight = 16;
    int m_nImageWidth = 16;
    RECT m_rcLastClient{};
    CFont m_font;
    CImageList m_images;
    RECT m_rcImage{0, 0, 16, 16};
    int m_nImageX = 0;  // 0: not measured yet
    int m_nImageY = 0;
};
