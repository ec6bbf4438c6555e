// The main window's only view: the settings form (dialog 101). It edits the
// live settings store directly and posts every font or colour change to its
// parent frame with both parameters 0:
//   UM_LOGVIEW_FONT_CHANGED, UM_RESULTVIEW_FONT_CHANGED, UM_OBJINFO_FONT_CHANGED,
//   UM_EXTRACTDIALOG_FONT_CHANGED, UM_FINDDIALOG_FONT_CHANGED, UM_COLORS_CHANGED.
// The three numbers are not announced: their readers read them when needed.
#pragma once
#include "framework/DocView.h"
#include "framework/Controls.h"
#include "server/core/Bstr.h"
#include "server/settings/ListBoxEx.h"

class CZavetraView : public CFormView {
    DECLARE_DYNCREATE(CZavetraView)
public:
    ~CZavetraView() override;

    void OnInitialUpdate() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The bounds a number filter honours for the stored bounds nMin and nMax:
    // the edit holds digits only, so a negative minimum counts as 0; a
    // negative maximum is above every value as an unsigned number, so it
    // sets no limit; a minimum above the maximum is lowered to the maximum.
    static void EffectiveBounds(int nMax, int nMin, int& nLow, int& nHigh);
    // The filter of one number edit applied to pszText: the accepted number,
    // or -1 with the text to write back in rText (the digits alone when
    // anything else was typed; the bound when the number lies outside).
    static int FilterNumber(LPCWSTR pszText, int nMax, int nMin, CBstr& rText);
    // The same on the edit's current text.
    int FilterNumberText(const CEdit& edit, int nMax, int nMin, CBstr& rText) const;
    // Sizes the colour list's items to its client height and adds the eight
    // highlight items (item data 0 to 7); the first is selected.
    void FillColorList();

    // Command handlers (public so that they can be driven directly).
    void OnEnChangeNestLevel();
    void OnEnChangeArrayRange();
    void OnEnChangeTreeViewExpand();
    void OnBnClickedLogView();
    void OnBnClickedResultView();
    void OnBnClickedObjInfoView();
    void OnBnClickedExtractDialog();
    void OnBnClickedFindDialog();      // also "&MovingDialog"
    void OnBnClickedChange();
    void OnLbnDblclkHighlight();
    void OnBnClickedWarning();
    void OnBnClickedObjInfo();
    void OnBnClickedQuit();
    void OnBnClickedVer();
    void OnHelp();

    // Bound to the form's controls by DoDataExchange.
    CEdit m_editNestLevel;
    CSpinButtonCtrl m_spinNestLevel;
    CEdit m_editArrayRange;
    CSpinButtonCtrl m_spinArrayRange;
    CEdit m_editTreeViewExpand;
    CSpinButtonCtrl m_spinTreeViewExpand;
    CColorListBox m_listHighlight;

protected:
    CZavetraView();
    bool OnCmd(UINT nID, int nCode) override;
    // Binds the members above to their controls (once).
    void DoDataExchange();

private:
    // Filters one edit and stores an accepted number in nValue.
    void OnNumberChange(CEdit& edit, int& nValue, int nMax, int nMin);
    // The font dialog on lf; on OK posts nMessage to the frame.
    void EditFont(LOGFONTW& lf, UINT nMessage);
    void PostToFrame(UINT nMessage) const;
};
