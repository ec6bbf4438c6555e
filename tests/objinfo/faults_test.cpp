// Type information that fails or throws part way: what Build keeps, and
// that it gives back everything it took from the type information.
#include <gtest/gtest.h>

#include "ObjInfoTest_h.h"
#include "TypeInfoProxy.h"
#include "TypeLibs.h"

namespace {

CTypeInfoProxy* ProxyOf(ITypeInfo* pReal)
{
    if (!pReal)
        return nullptr;
    auto* p = new CTypeInfoProxy(pReal);
    pReal->Release();
    return p;
}

// Build, expecting it to raise nCode.
void ExpectRaises(ITypeInfo* pInfo, UINT nCode)
{
    try {
        CObjInfo* p = CObjInfo::Build(pInfo);
        delete p;
        ADD_FAILURE() << "no exception";
    } catch (const CExcept& e) {
        EXPECT_EQ(e.m_nCode, nCode);
    }
}

} // namespace

TEST(ObjInfoFaults, NoDocumentationGivesNoRecord)
{
    CTypeInfoProxy* p = ProxyOf(TypeByGuid(TestLib(), IID_IObjInfoDual));
    ASSERT_TRUE(p);
    p->m_bFailDocumentation = true;
    EXPECT_EQ(CObjInfo::Build(p), nullptr);
    EXPECT_EQ(p->m_nTypeAttrs, 0);
    p->Release();
}

TEST(ObjInfoFaults, NoTypeAttributesGivesNameAndDocumentationOnly)
{
    CTypeInfoProxy* p = ProxyOf(TypeByGuid(TestLib(), IID_IObjInfoDual));
    ASSERT_TRUE(p);
    p->m_bFailTypeAttr = true;
    CObjInfoPtr info = BuildOf(p);
    p->Release();
    ASSERT_TRUE(info);
    EXPECT_STREQ(info->m_name, L"IObjInfoDual");
    EXPECT_STREQ(info->m_doc, L"A dual test interface");
    EXPECT_TRUE(info->m_bDispatch);
    EXPECT_STREQ(CBstr::FromGuid(info->m_iid), L"");
    EXPECT_EQ(info->GetMemberCount(), 0u);
    EXPECT_EQ(info->m_nPairs, 0);
}

TEST(ObjInfoFaults, FinishedBuildGivesBackEveryDescription)
{
    CTypeInfoProxy* p = ProxyOf(TypeByGuid(TestLib(), IID_IObjInfoDual));
    ASSERT_TRUE(p);
    CObjInfoPtr info = BuildOf(p);
    EXPECT_TRUE(info);
    EXPECT_EQ(p->m_nFuncDescs, 0);
    EXPECT_EQ(p->m_nTypeAttrs, 0);
    EXPECT_EQ(CTypeInfoProxy::s_nLiveProxies, 0);
    p->Release();
}

// A string that cannot be had while a function's description and a
// referenced type (the result type of Self) are held.
TEST(ObjInfoFaults, ExceptionInTheFunctionPassReleasesDescriptionAndReferencedType)
{
    CTypeInfoProxy* p = ProxyOf(TypeByGuid(TestLib(), IID_IObjInfoDual));
    ASSERT_TRUE(p);
    p->m_bRefsThrow = true;
    ExpectRaises(p, ZV_ERR_MEMORY_BSTR);
    EXPECT_EQ(p->m_nFuncDescs, 0);
    EXPECT_EQ(p->m_nTypeAttrs, 0);
    EXPECT_EQ(CTypeInfoProxy::s_nLiveProxies, 0);
    EXPECT_EQ(p->m_nRefs, 1);
    p->Release();
}

TEST(ObjInfoFaults, ExceptionInTheVariablePassReleasesTheDescription)
{
    CTypeInfoProxy* p = ProxyOf(TypeByName(StdOle(), L"Font"));
    ASSERT_TRUE(p);
    p->m_bThrowMemberDoc = true;
    ExpectRaises(p, ZV_ERR_MEMORY_BSTR);
    EXPECT_EQ(p->m_nVarDescs, 0);
    EXPECT_EQ(p->m_nTypeAttrs, 0);
    p->Release();
}

namespace {

// The index of the function with this member id in the type's own order.
int FuncIndexOf(ITypeInfo* pInfo, MEMBERID memid)
{
    for (UINT i = 0;; ++i) {
        FUNCDESC* pDesc = nullptr;
        if (FAILED(pInfo->GetFuncDesc(i, &pDesc)))
            return -1;
        const bool bFound = pDesc->memid == memid;
        pInfo->ReleaseFuncDesc(pDesc);
        if (bFound)
            return (int)i;
    }
}

} // namespace

// A function or variable whose description cannot be read (as when the
// loader cannot read a default value) is left out; every other one stays.
TEST(ObjInfoFaults, AnUnreadableMemberIsSkippedAndTheOthersKept)
{
    struct Case {
        const char* pszWhat;
        bool bStdOle;
        LPCWSTR pszType;
        bool bFunction;
        int nFailIndex;   // -1: the index of the function with member id 1
        LPCWSTR pszOrder;
    } cases[] = {
        // Add (member id 1) comes before every other function of the dual.
        {"the first own function of the dispatch view", false, L"IObjInfoDual", true, -1,
         L"beta/1 Defaults/1 Names/1 Optional/1 Self/1 Sum/1 Value/2 Value/3"},
        // QueryInterface is restricted anyway; the rest all follow it.
        {"the first function of the dispatch view", false, L"IObjInfoDual", true, 0,
         L"Add/1 beta/1 Defaults/1 Names/1 Optional/1 Self/1 Sum/1 Value/2 Value/3"},
        {"the first field of a record", false, L"ObjInfoRecord", false, 0, L"name/5"},
        {"the first of stdole's Font properties", true, L"Font", false, 0,
         L"Bold/8 Charset/8 Italic/8 Size/8 Strikethrough/8 Underline/8 Weight/8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        CTypeInfoProxy* p = ProxyOf(TypeByName(c.bStdOle ? StdOle() : TestLib(), c.pszType));
        ASSERT_TRUE(p);
        int nIndex = c.nFailIndex;
        if (nIndex < 0)
            nIndex = FuncIndexOf(p, 1);
        ASSERT_GE(nIndex, 0);
        (c.bFunction ? p->m_nFailFuncDesc : p->m_nFailVarDesc) = nIndex;
        CObjInfoPtr info = BuildOf(p);
        ASSERT_TRUE(info);
        EXPECT_EQ(MemberOrder(*info), c.pszOrder);
        EXPECT_EQ(p->m_nFuncDescs, 0);
        EXPECT_EQ(p->m_nVarDescs, 0);
        p->Release();
    }
}
