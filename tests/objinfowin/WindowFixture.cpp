// The window fixture and the record helpers of the object-information tests.
#include "WindowFixture.h"
#include "logwindows/LogTreeThread.h"
#include "objinfo/RegisterObjInfoWindow.h"
#include "resources/ObjInfoRes.h"
#include "server/settings/AppSettings.h"

void Pump() {
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    }
}

CObjInfo* MakeRecord(LPCWSTR name, std::initializer_list<MemberDef> members) {
    auto* info = new CObjInfo;
    info->m_name = name;
    for (const MemberDef& def : members) {
        CMemberInfo* m = info->AddMember(def.name);
        m->m_typeText = def.type;
        m->m_memid = def.memid;
        m->m_doc = def.doc;
        m->m_dwFlags = def.kind | (def.vararg ? DWORD{CMemberInfo::MF_VARARG} : DWORD{0});
        m->AllocParams(static_cast<int>(def.params.size()));
        for (size_t i = 0; i < def.params.size(); ++i) {
            CParamInfo& p = m->m_pParams[i];
            p.m_typeText = def.params[i].type;
            p.m_name = def.params[i].name;
            p.m_dwFlags = def.params[i].flags;
            p.m_defaultText = def.params[i].defaultText;
        }
    }
    return info;
}

ITypeInfo* TestTypeInfo(REFGUID guid) {
    WCHAR path[MAX_PATH + 4] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    wcscat(path, L"\\2");
    ITypeLib* lib = nullptr;
    if (FAILED(::LoadTypeLibEx(path, REGKIND_NONE, &lib))) return nullptr;
    ITypeInfo* info = nullptr;
    lib->GetTypeInfoOfGuid(guid, &info);
    lib->Release();
    return info;
}

ITypeInfo* StdOleTypeInfo(LPCWSTR name) {
    ITypeLib* lib = nullptr;
    if (FAILED(::LoadTypeLib(L"stdole2.tlb", &lib))) return nullptr;
    ITypeInfo* info = nullptr;
    MEMBERID id = 0;
    USHORT found = 1;
    std::wstring n = name;
    lib->FindName(n.data(), 0, &info, &id, &found);
    lib->Release();
    return found ? info : nullptr;
}

std::vector<std::wstring> ListRows(const CListCtrl& list) {
    std::vector<std::wstring> rows;
    HWND header = list.GetHeaderCtrl();
    const int columns = header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        std::wstring row = list.GetItemData(i) == 0 ? L"*" : L"";
        row += list.GetItemText(i, 0);
        if (columns > 1) row += L"|" + list.GetItemText(i, 1);
        rows.push_back(row);
    }
    return rows;
}

void ObjInfoWindowTest::SetUp() {
    ObjInfoWindowPlacement& saved = CAppSettings::Get().Window.ObjInfoWindow;
    saved = ObjInfoWindowPlacement{};
    saved.rcWindow = RECT{20, 20, 820, 620};
    OpenWindow();
}

void ObjInfoWindowTest::TearDown() {
    CloseWindow();
    m_pTemplate.reset();
    Pump();
}

void ObjInfoWindowTest::OpenWindow() {
    // The classes of the log thread's slot, as the log thread takes them.
    RegisterObjInfoWindow();
    const CObjInfoWindowSlot* slot = CLogTreeThread::s_pObjInfoWindow;
    ASSERT_NE(nullptr, slot);
    if (!m_pTemplate)
        m_pTemplate = std::make_unique<CSingleDocTemplate>(IDR_OBJINFOVIEW, slot->pDocClass, slot->pFrameClass,
                                                           slot->pViewClass);
    m_pDoc = dynamic_cast<CObjInfoDoc*>(m_pTemplate->CreateNewDocument());
    ASSERT_NE(nullptr, m_pDoc);
    m_pFrame = dynamic_cast<CObjInfoFrame*>(m_pTemplate->CreateNewFrame(m_pDoc, nullptr));
    ASSERT_NE(nullptr, m_pFrame);
    m_bFrameGone = false;
    m_pFrame->WatchDestruction(&m_bFrameGone);
    m_pTemplate->InitialUpdateFrame(m_pFrame, m_pDoc, TRUE);
    Pump();
}

void ObjInfoWindowTest::CloseWindow() {
    if (!m_bFrameGone && m_pFrame && m_pFrame->IsWindow()) m_pFrame->DestroyWindow();
    m_pFrame = nullptr;
    m_pDoc = nullptr;
    Pump();
}

void ObjInfoWindowTest::Add(CObjInfo* pInfo) {
    CLogTreeThread::s_pObjInfoWindow->pfnAddRecord(m_pDoc, pInfo);
    Pump();
}

std::vector<std::wstring> ObjInfoWindowTest::RootTexts() {
    std::vector<std::wstring> texts;
    for (HTREEITEM h = Tree().GetRootItem(); h; h = Tree().GetNextSiblingItem(h))
        texts.push_back(Tree().GetItemText(h));
    return texts;
}

std::vector<std::wstring> ObjInfoWindowTest::DocNames() {
    std::vector<std::wstring> names;
    for (CObjInfo* p = m_pDoc->m_pHead; p; p = p->m_pNext) names.push_back(static_cast<LPCWSTR>(p->m_name));
    return names;
}

std::wstring ObjInfoWindowTest::SelectedRecordText() {
    HTREEITEM h = Tree().GetSelectedItem();
    if (!h) return L"";
    if (HTREEITEM parent = Tree().GetParentItem(h)) h = parent;
    return Tree().GetItemText(h);
}

std::wstring ObjInfoWindowTest::ShownRecordName() {
    CListCtrlEx& list = Data().InterfaceList();
    for (int i = 0; i < list.GetItemCount(); ++i)
        if (list.GetItemText(i, 0) == L"Name") return list.GetItemText(i, 1);
    return L"";
}

HTREEITEM ObjInfoWindowTest::RootItem(LPCWSTR text) {
    for (HTREEITEM h = Tree().GetRootItem(); h; h = Tree().GetNextSiblingItem(h))
        if (Tree().GetItemText(h) == text) return h;
    return nullptr;
}

HTREEITEM ObjInfoWindowTest::ChildItem(HTREEITEM root, LPCWSTR text) {
    for (HTREEITEM h = Tree().GetChildItem(root); h; h = Tree().GetNextSiblingItem(h))
        if (Tree().GetItemText(h) == text) return h;
    return nullptr;
}
