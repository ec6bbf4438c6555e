// Owner-drawn list boxes whose items fill the client height exactly: the
// first m_nBaseItems items are m_nItemHeight pixels high, every later one a
// pixel taller. The owner sets both fields before it adds any item (FitItems
// does it from the list's client height); the control needs
// LBS_OWNERDRAWVARIABLE, and LBS_HASSTRINGS for text items.
#pragma once
#include "framework/Controls.h"

class CListBoxEx : public CListBox {
    DECLARE_DYNAMIC(CListBoxEx)
public:
    ~CListBoxEx() override = default;

    // For a list of nCount items (at least one) in the current client height h:
    // m_nItemHeight = h / nCount, m_nBaseItems = nCount - h % nCount.
    void FitItems(int nCount);

    // Centred text in the system colours; no focus rectangle.
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override;

    int m_nBaseItems = 0;     // leading items of the base height
    int m_nItemHeight = 0;    // base item height in pixels
};

// Each item is a swatch of the highlight colour whose index (0 to 7) is the
// item's data; the selected item has a one-pixel frame.
class CColorListBox : public CListBoxEx {
    DECLARE_DYNAMIC(CColorListBox)
public:
    ~CColorListBox() override = default;

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
};
