// Build against real type information: the test library's dual interface in
// its dispatch and interface views, and stdole2's enum, Font, Picture and
// IDispatch.
#include <gtest/gtest.h>

#include <vector>

#include "ObjInfoTest_h.h"
#include "TypeLibs.h"
#include "server/capture/ObjTable.h"

namespace {

// An object that shows the dispatch view of the dual interface (or no type
// information at all).
class CDualObject : public IDispatch {
public:
    explicit CDualObject(ITypeInfo* pInfo) : m_pInfo(pInfo) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRefs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_nRefs; }
    STDMETHODIMP GetTypeInfoCount(UINT* p) override
    {
        *p = m_pInfo ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** pp) override
    {
        *pp = m_pInfo;
        if (!m_pInfo)
            return E_NOTIMPL;
        m_pInfo->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    ULONG m_nRefs = 1;

private:
    ITypeInfo* m_pInfo;
};

CObjInfoPtr DispatchView()
{
    ITypeInfo* pInfo = TypeByGuid(TestLib(), IID_IObjInfoDual);
    EXPECT_NE(pInfo, nullptr);
    if (!pInfo)
        return nullptr;
    CDualObject obj(pInfo);
    CObjInfoPtr info;
    {
        CObjRecord record(&obj);
        try {
            info.reset(CObjInfo::Build(&record));
        } catch (const CExcept& e) {
            ADD_FAILURE() << "Build raised " << e.m_nCode;
        }
    }
    pInfo->Release();
    return info;
}

CObjInfoPtr InterfaceView()
{
    ITypeInfo* pDisp = TypeByGuid(TestLib(), IID_IObjInfoDual);
    HREFTYPE href = 0;
    ITypeInfo* pIface = nullptr;
    EXPECT_TRUE(pDisp && SUCCEEDED(pDisp->GetRefTypeOfImplType((UINT)-1, &href)) &&
                SUCCEEDED(pDisp->GetRefTypeInfo(href, &pIface)));
    if (pDisp)
        pDisp->Release();
    if (!pIface)
        return nullptr;
    CObjInfoPtr info = BuildOf(pIface);
    pIface->Release();
    return info;
}

std::wstring ParamTypes(const CMemberInfo& m)
{
    std::wstring text;
    for (int i = 0; i < m.m_nParams; ++i)
        text += std::wstring(i ? L", " : L"") + m.m_pParams[i].m_typeText.m_str;
    return text;
}

} // namespace

TEST(ObjInfoBuild, DualObjectShowsItsDispatchViewWithoutRestrictedOrHiddenMembers)
{
    CObjInfoPtr info = DispatchView();
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->m_bDispatch);
    EXPECT_STREQ(info->m_name, L"IObjInfoDual");
    EXPECT_STREQ(info->m_doc, L"A dual test interface");
    EXPECT_TRUE(IsEqualGUID(info->m_iid, IID_IObjInfoDual));
    // No QueryInterface ... Invoke of the inherited interfaces, no Secret;
    // the get before the put of Value, as the library declares them.
    EXPECT_EQ(MemberOrder(*info), L"Add/1 beta/1 Defaults/1 Names/1 Optional/1 Self/1 Sum/1 Value/2 Value/3");
    const CMemberInfo* pAdd = FindMember(*info, L"Add");
    ASSERT_NE(pAdd, nullptr);
    EXPECT_STREQ(pAdd->m_typeText, L"LONG");
    EXPECT_STREQ(pAdd->m_doc, L"Adds two numbers");
    EXPECT_EQ(pAdd->m_memid, 1u);
    ASSERT_EQ(pAdd->m_nParams, 2);
    EXPECT_STREQ(pAdd->m_pParams[0].m_name, L"a");
    EXPECT_STREQ(pAdd->m_pParams[1].m_name, L"b");
    EXPECT_EQ(pAdd->m_pParams[0].m_dwFlags, CParamInfo::PF_IN);
}

TEST(ObjInfoBuild, ObjectWithoutTypeInformationGivesNoRecord)
{
    CDualObject obj(nullptr);
    CObjRecord record(&obj);
    EXPECT_EQ(CObjInfo::Build(&record), nullptr);
    EXPECT_EQ(CObjInfo::Build(static_cast<CObjRecord*>(nullptr)), nullptr);
}

TEST(ObjInfoBuild, PropertyPairKeepsGetThenPutWithTheUnnamedValueParameter)
{
    CObjInfoPtr info = DispatchView();
    ASSERT_TRUE(info);
    const CMemberInfo* pGet = FindMember(*info, L"Value", CMemberInfo::MK_PROPGET);
    const CMemberInfo* pPut = FindMember(*info, L"Value", CMemberInfo::MK_PROPPUT);
    ASSERT_TRUE(pGet && pPut);
    EXPECT_STREQ(pGet->m_typeText, L"LONG");
    EXPECT_EQ(pGet->m_nParams, 0);
    EXPECT_STREQ(pGet->m_doc, L"The value");
    EXPECT_STREQ(pPut->m_typeText, L"VOID");
    ASSERT_EQ(pPut->m_nParams, 1);
    EXPECT_STREQ(pPut->m_pParams[0].m_name, L"");
    EXPECT_STREQ(pPut->m_pParams[0].m_typeText, L"LONG");
    EXPECT_EQ(pGet->m_memid, pPut->m_memid);
}

TEST(ObjInfoBuild, OptionalDefaultAndVarargParameters)
{
    CObjInfoPtr info = DispatchView();
    ASSERT_TRUE(info);

    const CMemberInfo* pOpt = FindMember(*info, L"Optional");
    ASSERT_TRUE(pOpt);
    ASSERT_EQ(pOpt->m_nParams, 3);   // cParamsOpt 2 of 3
    EXPECT_EQ(pOpt->m_pParams[0].m_dwFlags, CParamInfo::PF_IN);
    EXPECT_EQ(pOpt->m_pParams[1].m_dwFlags, CParamInfo::PF_IN | CParamInfo::PF_OPTIONAL);
    EXPECT_EQ(pOpt->m_pParams[2].m_dwFlags, CParamInfo::PF_IN | CParamInfo::PF_OPTIONAL);
    EXPECT_FALSE(pOpt->IsVararg());

    const CMemberInfo* pDef = FindMember(*info, L"Defaults");
    ASSERT_TRUE(pDef);
    ASSERT_EQ(pDef->m_nParams, 3);
    const struct {
        LPCWSTR pszName, pszType, pszDefault;
    } expected[] = {
        {L"n", L"LONG", L"5, 0x00000005"},
        {L"empty", L"BSTR", L"\"\""},   // an empty default shows as two quotes
        {L"text", L"BSTR", L"x"},
    };
    for (int i = 0; i < 3; ++i) {
        const CParamInfo& p = pDef->m_pParams[i];
        EXPECT_STREQ(p.m_name, expected[i].pszName);
        EXPECT_STREQ(p.m_typeText, expected[i].pszType);
        EXPECT_STREQ(p.m_defaultText, expected[i].pszDefault);
        // A parameter with a default may be left out: the library marks it
        // optional too (cParamsOpt does not count it).
        EXPECT_EQ(p.m_dwFlags, CParamInfo::PF_IN | CParamInfo::PF_HASDEFAULT | CParamInfo::PF_OPTIONAL) << i;
    }

    const CMemberInfo* pSum = FindMember(*info, L"Sum");
    ASSERT_TRUE(pSum);
    EXPECT_TRUE(pSum->IsVararg());
    EXPECT_STREQ(pSum->m_typeText, L"DOUBLE");
    ASSERT_EQ(pSum->m_nParams, 2);
    EXPECT_EQ(pSum->m_pParams[0].m_dwFlags & CParamInfo::PF_OPTIONAL, 0u);
    EXPECT_NE(pSum->m_pParams[1].m_dwFlags & CParamInfo::PF_OPTIONAL, 0u);
}

// Every array parameter and result shows its own element type, whatever
// type the pass composed before it.
TEST(ObjInfoBuild, ArrayParametersAndResultsShowTheirOwnElementTypes)
{
    CObjInfoPtr disp = DispatchView();
    CObjInfoPtr iface = InterfaceView();
    ASSERT_TRUE(disp && iface);
    const CMemberInfo* pNames = FindMember(*disp, L"Names");
    ASSERT_TRUE(pNames);
    EXPECT_EQ(ParamTypes(*pNames), L"BSTR, SAFEARRAY(BSTR)");
    EXPECT_STREQ(pNames->m_typeText, L"SAFEARRAY(LONG)");
    const CMemberInfo* pSum = FindMember(*disp, L"Sum");
    ASSERT_TRUE(pSum);
    EXPECT_EQ(ParamTypes(*pSum).substr(0, 16), L"LONG, SAFEARRAY(");

    const CMemberInfo* pRaw = FindMember(*iface, L"Names");
    ASSERT_TRUE(pRaw);
    EXPECT_EQ(ParamTypes(*pRaw), L"BSTR, SAFEARRAY(BSTR), SAFEARRAY(LONG)*");
    EXPECT_STREQ(pRaw->m_typeText, L"HRESULT");
}

TEST(ObjInfoBuild, InterfaceViewKeepsHresultsAndRetvalParameters)
{
    CObjInfoPtr info = InterfaceView();
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->m_bDispatch);
    EXPECT_EQ(MemberOrder(*info), L"Add/1 beta/1 Defaults/1 Names/1 Optional/1 Self/1 Sum/1 Value/2 Value/3");
    const CMemberInfo* pSelf = FindMember(*info, L"Self");
    ASSERT_TRUE(pSelf);
    EXPECT_STREQ(pSelf->m_typeText, L"HRESULT");
    ASSERT_EQ(pSelf->m_nParams, 1);
    EXPECT_STREQ(pSelf->m_pParams[0].m_typeText, L"IObjInfoDual**");
    EXPECT_EQ(pSelf->m_pParams[0].m_dwFlags, CParamInfo::PF_OUT | CParamInfo::PF_RETVAL);
}

TEST(ObjInfoBuild, EnumOfStdoleListsItsConstantsOnly)
{
    ITypeInfo* pInfo = TypeByName(StdOle(), L"OLE_TRISTATE");
    ASSERT_TRUE(pInfo);
    CObjInfoPtr info = BuildOf(pInfo);
    pInfo->Release();
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->m_bDispatch);   // neither interface nor dispatch interface
    EXPECT_EQ(MemberOrder(*info), L"Checked/7 Gray/7 Unchecked/7");
    for (const auto& m : info->m_members) {
        EXPECT_STREQ(m.second->m_typeText, L"INT");
        EXPECT_STREQ(m.second->GetKindName(), L"Const");
        EXPECT_EQ(m.second->m_nParams, 0);
    }
}

TEST(ObjInfoBuild, StdoleFontListsDispatchVariablesWithTheirTypes)
{
    ITypeInfo* pInfo = TypeByName(StdOle(), L"Font");
    ASSERT_TRUE(pInfo);
    CObjInfoPtr info = BuildOf(pInfo);
    pInfo->Release();
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->m_bDispatch);
    const struct {
        LPCWSTR pszName, pszType;
        DWORD memid;
    } expected[] = {
        {L"Bold", L"VARIANT_BOOL", 3}, {L"Charset", L"SHORT", 8}, {L"Name", L"BSTR", 0},
        {L"Size", L"CURRENCY", 2},     {L"Weight", L"SHORT", 7},
    };
    for (const auto& e : expected) {
        const CMemberInfo* p = FindMember(*info, e.pszName);
        ASSERT_TRUE(p) << e.pszName;
        EXPECT_EQ(p->Kind(), CMemberInfo::MK_DISPATCH);
        EXPECT_STREQ(p->m_typeText, e.pszType);
        EXPECT_EQ(p->m_memid, e.memid);
    }
}

TEST(ObjInfoBuild, StdolePictureNamesUserDefinedParameterTypes)
{
    ITypeInfo* pInfo = TypeByName(StdOle(), L"Picture");
    ASSERT_TRUE(pInfo);
    CObjInfoPtr info = BuildOf(pInfo);
    pInfo->Release();
    ASSERT_TRUE(info);
    const CMemberInfo* pRender = FindMember(*info, L"Render");
    ASSERT_TRUE(pRender);
    EXPECT_EQ(ParamTypes(*pRender), L"INT, LONG, LONG, LONG, LONG, OLE_XPOS_HIMETRIC, OLE_YPOS_HIMETRIC, "
                                    L"OLE_XSIZE_HIMETRIC, OLE_YSIZE_HIMETRIC, VOID*");
    const CMemberInfo* pWidth = FindMember(*info, L"Width");
    ASSERT_TRUE(pWidth);
    EXPECT_STREQ(pWidth->m_typeText, L"OLE_XSIZE_HIMETRIC");
}

// REFIID riid is a pointer to the user-defined GUID.
TEST(ObjInfoBuild, TypeTextOfGetIDsOfNamesParameters)
{
    ITypeInfo* pInfo = TypeByName(StdOle(), L"IDispatch");
    ASSERT_TRUE(pInfo);
    CObjInfoPtr info = BuildOf(pInfo);
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->m_bDispatch);
    EXPECT_EQ(info->GetMemberCount(), 0u);   // all its methods are restricted

    bool bFound = false;
    for (UINT i = 0;; ++i) {
        FUNCDESC* pDesc = nullptr;
        if (FAILED(pInfo->GetFuncDesc(i, &pDesc)))
            break;
        BSTR name = nullptr;
        pInfo->GetDocumentation(pDesc->memid, &name, nullptr, nullptr, nullptr);
        if (name && wcscmp(name, L"GetIDsOfNames") == 0) {
            bFound = true;
            ASSERT_GE(pDesc->cParams, 1);
            CBstr holder;
            EXPECT_STREQ(CObjInfo::TypeDescText(pInfo, &pDesc->lprgelemdescParam[0].tdesc, holder), L"GUID*");
            CBstr unchanged(L"kept");
            EXPECT_STREQ(CObjInfo::TypeDescText(pInfo, nullptr, unchanged), L"kept");
        }
        SysFreeString(name);
        pInfo->ReleaseFuncDesc(pDesc);
    }
    pInfo->Release();
    EXPECT_TRUE(bFound);
}

// A VARIANT argument is declared as a VARIANT, a pointer to one with one
// star per pointer; in the library and in hand-made descriptions alike.
TEST(ObjInfoBuild, VariantTypesCountTheirPointers)
{
    CObjInfoPtr info = DispatchView();
    ASSERT_TRUE(info);
    const CMemberInfo* pAdd = FindMember(*info, L"Add");
    ASSERT_TRUE(pAdd);
    EXPECT_EQ(ParamTypes(*pAdd), L"LONG, VARIANT");
    const CMemberInfo* pSum = FindMember(*info, L"Sum");
    ASSERT_TRUE(pSum);
    EXPECT_EQ(ParamTypes(*pSum), L"LONG, SAFEARRAY(VARIANT)");

    TYPEDESC variant{};
    variant.vt = VT_VARIANT;
    TYPEDESC pointer{};
    pointer.vt = VT_PTR;
    pointer.lptdesc = &variant;
    TYPEDESC pointerToPointer{};
    pointerToPointer.vt = VT_PTR;
    pointerToPointer.lptdesc = &pointer;
    const struct {
        const TYPEDESC* pDesc;
        LPCWSTR pszText;
    } cases[] = {{&variant, L"VARIANT"}, {&pointer, L"VARIANT*"}, {&pointerToPointer, L"VARIANT**"}};
    for (const auto& c : cases) {
        CBstr holder;
        EXPECT_STREQ(CObjInfo::TypeDescText(nullptr, c.pDesc, holder), c.pszText);
    }
}

TEST(ObjInfoBuild, RecordListsPerInstanceFieldsWithFixedArraySizes)
{
    ITypeInfo* pInfo = TypeByName(TestLib(), L"ObjInfoRecord");
    ASSERT_TRUE(pInfo);
    CObjInfoPtr info = BuildOf(pInfo);
    pInfo->Release();
    ASSERT_TRUE(info);
    EXPECT_EQ(MemberOrder(*info), L"name/5 values/5");
    EXPECT_STREQ(FindMember(*info, L"values")->m_typeText, L"LONG[4]");
    EXPECT_STREQ(FindMember(*info, L"name")->m_typeText, L"BSTR");
}

// "optional" follows each parameter's own flag: the optional ones of a plain
// interface come before its lcid and retval parameters, which are not.
TEST(ObjInfoBuild, OptionalMarksTheOptionalParametersBeforeRetvalAndLcid)
{
    ITypeInfo* pInfo = TypeByGuid(TestLib(), IID_IObjInfoParams);
    ASSERT_TRUE(pInfo);
    CObjInfoPtr info = BuildOf(pInfo);
    pInfo->Release();
    ASSERT_TRUE(info);
    const DWORD in = CParamInfo::PF_IN, opt = CParamInfo::PF_OPTIONAL;
    const DWORD retval = CParamInfo::PF_OUT | CParamInfo::PF_RETVAL;
    const struct {
        LPCWSTR pszMember;
        std::vector<DWORD> flags;
    } cases[] = {
        {L"OptRet", {in | opt, retval}},
        {L"OptLcid", {in, in | opt, in | CParamInfo::PF_LCID, retval}},
    };
    for (const auto& c : cases) {
        const CMemberInfo* m = FindMember(*info, c.pszMember);
        ASSERT_TRUE(m) << c.pszMember;
        ASSERT_EQ((size_t)m->m_nParams, c.flags.size()) << c.pszMember;
        for (int i = 0; i < m->m_nParams; ++i)
            EXPECT_EQ(m->m_pParams[i].m_dwFlags, c.flags[i]) << c.pszMember << " parameter " << i;
        EXPECT_FALSE(m->IsVararg()) << c.pszMember;
    }
    CBstr text;
    EXPECT_STREQ(FindMember(*info, L"OptRet")->m_pParams[0].GetAttributeText(text), L"in, optional");
    EXPECT_STREQ(FindMember(*info, L"OptRet")->m_pParams[1].GetAttributeText(text), L"out, retval");
}

// Types that a type description may hold but a VARIANT never does have
// names of their own.
TEST(ObjInfoBuild, StringPointerAndOtherDescriptionOnlyTypesAreNamed)
{
    ITypeInfo* pInfo = TypeByGuid(TestLib(), IID_IObjInfoParams);
    ASSERT_TRUE(pInfo);
    CObjInfoPtr info = BuildOf(pInfo);
    ASSERT_TRUE(info);
    const CMemberInfo* pStrings = FindMember(*info, L"Strings");
    ASSERT_TRUE(pStrings);
    EXPECT_EQ(ParamTypes(*pStrings), L"LPSTR, LPWSTR, LPWSTR*");

    const struct {
        VARTYPE vt;
        LPCWSTR pszText;
    } cases[] = {
        {VT_LPSTR, L"LPSTR"},   {VT_LPWSTR, L"LPWSTR"},     {VT_INT_PTR, L"INT_PTR"},
        {VT_UINT_PTR, L"UINT_PTR"}, {VT_RECORD, L"RECORD"}, {VT_CLSID, L"CLSID"},
        {VT_FILETIME, L"FILETIME"}, {VT_BLOB, L"BLOB"},     {(VARTYPE)15, L"VARTYPE 15"},
        {(VARTYPE)100, L"VARTYPE 100"},
    };
    for (const auto& c : cases) {
        TYPEDESC desc{};
        desc.vt = c.vt;
        CBstr holder;
        EXPECT_STREQ(CObjInfo::TypeDescText(pInfo, &desc, holder), c.pszText) << c.vt;
    }
    pInfo->Release();
}
