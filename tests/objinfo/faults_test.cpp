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
