// The texts that the object-information window shows, and the member map's
// order.
#include <gtest/gtest.h>

#include "AllocCount.h"
#include "TypeLibs.h"

TEST(ObjInfoText, AttributeTexts)
{
    const struct {
        DWORD dwFlags;
        LPCWSTR pszText;
    } cases[] = {
        {0, L""},
        {CParamInfo::PF_HASDEFAULT, L""},
        {0x1, L"in"},
        {0x3, L"in, out"},
        {0x8, L"retval"},
        {0xA, L"out, retval"},
        {0x4, L"lcid"},
        {0x20, L"optional"},
        {0x31, L"in, optional"},
        {0x3F, L"in, out, lcid, retval, optional"},
    };
    for (const auto& c : cases) {
        CParamInfo p;
        p.m_dwFlags = c.dwFlags;
        CBstr str(L"previous");
        EXPECT_STREQ(p.GetAttributeText(str), c.pszText) << std::hex << c.dwFlags;
        EXPECT_STREQ(str, c.pszText);
    }
}

namespace {

void MakeMember(CMemberInfo& m, LPCWSTR pszType, LPCWSTR pszName,
                std::initializer_list<std::pair<LPCWSTR, LPCWSTR>> params)
{
    m.m_typeText = pszType;
    m.m_name = pszName;
    m.AllocParams((int)params.size());
    int i = 0;
    for (const auto& p : params) {
        m.m_pParams[i].m_typeText = p.first;
        m.m_pParams[i].m_name = p.second;
        ++i;
    }
}

} // namespace

TEST(ObjInfoText, DeclarationLines)
{
    CMemberInfo add, none, one;
    MakeMember(add, L"LONG", L"Add", {{L"LONG", L"a"}, {L"VARIANT", L"b"}});
    MakeMember(none, L"VOID", L"Reset", {});
    MakeMember(one, L"VOID", L"Value", {{L"LONG", L""}});
    const struct {
        const CMemberInfo* pMember;
        int nLine;
        LPCWSTR pszText;
        BOOL bResult;
    } cases[] = {
        {&add, 0, L"LONG Add ( LONG a, VARIANT b )", TRUE},
        {&add, 1, L"LONG Add (", TRUE},
        {&add, 2, L"    LONG a ,", TRUE},
        {&add, 3, L"    VARIANT b", TRUE},
        {&add, 4, L")", FALSE},
        {&add, 9, L")", FALSE},
        {&none, 0, L"VOID Reset (  )", TRUE},
        {&none, 1, L"VOID Reset (", TRUE},
        {&none, 2, L")", FALSE},
        {&one, 0, L"VOID Value ( LONG  )", TRUE},
        {&one, 2, L"    LONG ", TRUE},
        {&one, 3, L")", FALSE},
    };
    for (const auto& c : cases) {
        CBstr str;
        EXPECT_EQ(c.pMember->GetDeclarationLine(c.nLine, str), c.bResult) << c.nLine;
        EXPECT_STREQ(str, c.pszText) << c.nLine;
    }
}

TEST(ObjInfoText, KindNames)
{
    const LPCWSTR names[] = {L"",       L"Method", L"Property Get", L"Property Put", L"Property Put (Ref)",
                             L"PerInstance", L"Static", L"Const", L"Dispatch", L"", L""};
    for (DWORD k = 0; k < 10; ++k)
        EXPECT_STREQ(CMemberInfo::KindName(k), names[k]) << k;
    EXPECT_STREQ(CMemberInfo::KindName(15), L"");
    CMemberInfo m;
    m.m_dwFlags = CMemberInfo::MK_PROPGET | CMemberInfo::MF_VARARG;
    EXPECT_STREQ(m.GetKindName(), L"Property Get");
}

TEST(ObjInfoText, IdText)
{
    const struct {
        DWORD memid;
        LPCWSTR pszText;
    } cases[] = {
        {10, L"10, 0x0000000a"},
        {0, L"0, 0x00000000"},
        {0x60020000, L"1610743808, 0x60020000"},
        {(DWORD)DISPID_NEWENUM, L"4294967292, 0xfffffffc"},
    };
    for (const auto& c : cases) {
        CMemberInfo m;
        m.m_memid = c.memid;
        CBstr str;
        EXPECT_STREQ(m.GetIdText(str), c.pszText);
    }
}

TEST(ObjInfoText, MembersIterateInLowerCasedNameOrderKeepingTheAddedOrderOfEqualNames)
{
    const struct {
        std::vector<LPCWSTR> added;
        LPCWSTR pszOrder;
    } cases[] = {
        {{L"Beta", L"alpha", L"ALPHA"}, L"alpha/0 ALPHA/0 Beta/0"},
        {{L"abc", L"ab", L"a_b", nullptr}, L"/0 a_b/0 ab/0 abc/0"},
        {{L"Item", L"item", L"Count"}, L"Count/0 Item/0 item/0"},
    };
    for (const auto& c : cases) {
        CObjInfo info;
        for (LPCWSTR psz : c.added)
            EXPECT_NE(info.AddMember(psz), nullptr);
        EXPECT_EQ(MemberOrder(info), c.pszOrder);
    }
}

TEST(ObjInfoText, NextMemberPositions)
{
    CObjInfo info;
    int nPos = 0;
    EXPECT_EQ(info.GetNextMember(nPos), nullptr);
    EXPECT_EQ(nPos, -1);

    CMemberInfo* pB = info.AddMember(L"b");
    CMemberInfo* pA = info.AddMember(L"a");
    nPos = 0;
    EXPECT_EQ(info.GetNextMember(nPos), pA);
    EXPECT_EQ(nPos, 1);
    EXPECT_EQ(info.GetNextMember(nPos), pB);
    EXPECT_EQ(nPos, -1);
    EXPECT_EQ(info.GetNextMember(nPos), nullptr);
    nPos = 0;   // a new walk starts at the first member again
    EXPECT_EQ(info.GetNextMember(nPos), pA);
}

TEST(ObjInfoText, AllocParamsReplacesTheParametersAndKeepsCountAndArrayTogether)
{
    CMemberInfo m;
    m.AllocParams(3);
    ASSERT_NE(m.m_pParams, nullptr);
    EXPECT_EQ(m.m_nParams, 3);
    EXPECT_STREQ(m.m_pParams[2].m_name, L"");
    EXPECT_EQ(m.m_pParams[2].m_dwFlags, 0u);
    m.AllocParams(0);
    EXPECT_EQ(m.m_pParams, nullptr);
    EXPECT_EQ(m.m_nParams, 0);
    m.AllocParams(2);
    // More parameters than a function can declare: no array, and no count
    // that would claim one.
    try {
        m.AllocParams(0x7FFFFFFF);
        ADD_FAILURE() << "no exception";
    } catch (const CExcept& e) {
        EXPECT_EQ(e.m_nCode, (UINT)ZV_ERR_MEMORY);
    }
    EXPECT_EQ(m.m_pParams, nullptr);
    EXPECT_EQ(m.m_nParams, 0);
}

TEST(ObjInfoText, DestroyingARecordDestroysTheChainBehindIt)
{
    // A long list must not nest one destructor call per record, and every
    // block that its records and the last one's member took is given back.
    CAllocCount count;
    auto* pHead = new CObjInfo;
    CObjInfo* pTail = pHead;
    for (int i = 0; i < 100000; ++i) {
        pTail->m_pNext = new CObjInfo;
        pTail = pTail->m_pNext;
    }
    pTail->AddMember(L"last")->AllocParams(2);
    pTail->m_pPairs = new CNameValue[3];
    pTail->m_nPairs = 3;
    const size_t nMade = count.News();
    EXPECT_GT(nMade, 100001u);
    EXPECT_EQ(count.Deletes(), 0u);
    delete pHead;
    EXPECT_EQ(count.Deletes(), nMade);
}
