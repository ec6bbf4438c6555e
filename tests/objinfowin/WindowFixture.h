// The object-information window as the log thread opens it (template 145
// with the document, frame and tree view), records made by hand or built
// from real type information, and what the tests read back.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>
#include "framework/DocView.h"
#include "objinfo/ObjInfo.h"
#include "objinfo/ObjInfoDataView.h"
#include "objinfo/ObjInfoDoc.h"
#include "objinfo/ObjInfoFrame.h"
#include "objinfo/ObjInfoItemView.h"

// Dispatches what is queued for this thread (posted messages included).
void Pump();

struct ParamDef {
    LPCWSTR type;
    LPCWSTR name;
    DWORD flags = CParamInfo::PF_IN;
    LPCWSTR defaultText = L"";
};

struct MemberDef {
    LPCWSTR name;
    DWORD kind;
    LPCWSTR type = L"LONG";
    DWORD memid = 1;
    LPCWSTR doc = L"";
    std::vector<ParamDef> params = {};
    bool vararg = false;
};

// A record of the given name with the members (filed like Build files them).
CObjInfo* MakeRecord(LPCWSTR name, std::initializer_list<MemberDef> members = {});

// The type information of a type in the test type library (resource 2 of
// the test executable), or of a type of stdole2; null when not found.
ITypeInfo* TestTypeInfo(REFGUID guid);
ITypeInfo* StdOleTypeInfo(LPCWSTR name);

// The rows of a list as "column 0|column 1" (column 1 left out for a list
// of one column), a '*' in front of heading rows (item data 0).
std::vector<std::wstring> ListRows(const CListCtrl& list);

// The window on this thread, at a fixed place and size.
class ObjInfoWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the window as the log thread does, from the classes of the slot
    // that RegisterObjInfoWindow fills; a test may open it again after
    // CloseWindow.
    void OpenWindow();
    // Closes the window as the user does (the frame is destroyed, the
    // document and its records go with it).
    void CloseWindow();
    // Links a record as the log thread does, through the slot (hint 1).
    void Add(CObjInfo* pInfo);

    CTreeCtrl& Tree() { return m_pFrame->ItemView()->GetTreeCtrl(); }
    CObjInfoDataView& Data() { return *m_pFrame->DataView(); }
    // Texts of the root items, top to bottom.
    std::vector<std::wstring> RootTexts();
    // Names of the document's records, head first.
    std::vector<std::wstring> DocNames();
    // The text of the selected item's root ("" with no selection).
    std::wstring SelectedRecordText();
    // The interface list's "Name" row value ("" without one).
    std::wstring ShownRecordName();
    HTREEITEM RootItem(LPCWSTR text);
    HTREEITEM ChildItem(HTREEITEM root, LPCWSTR text);

    std::unique_ptr<CSingleDocTemplate> m_pTemplate;
    CObjInfoDoc* m_pDoc = nullptr;
    CObjInfoFrame* m_pFrame = nullptr;
    bool m_bFrameGone = true;
};
