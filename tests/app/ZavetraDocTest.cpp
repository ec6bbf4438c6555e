// The main document: the master list, member loads during a break, the
// extract merge and clearing, on small cases.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include "common/Variants.h"
#include "server/app/ZavetraDoc.h"
#include "server/capture/ObjTable.h"
#include "server/core/Except.h"
#include "server/core/Globals.h"

namespace {

CLogNode* CallNode(LPCWSTR pszLabel, int nClient)
{
    CLogNode* p = AllocNode();
    p->m_pEntry->m_name = pszLabel;
    p->m_pEntry->SetKind(LOGK_CALL);
    p->m_pEntry->SetClientId(nClient);
    p->m_pEntry->m_flags |= LOGF_NOT_LOADED;   // cleared once the tree is attached
    return p;
}

// A VARIANT array of n empty elements.
SAFEARRAY* VariantArray(ULONG n)
{
    SAFEARRAYBOUND b = { n, 0 };
    return SafeArrayCreate(VT_VARIANT, 1, &b);
}

// An argument array of (name, value) pairs; the caller destroys it.
SAFEARRAY* Pairs(std::initializer_list<std::pair<LPCWSTR, VARIANT>> pairs)
{
    SAFEARRAY* psa = VariantArray((ULONG)(2 * pairs.size()));
    VARIANT* e = (VARIANT*)psa->pvData;
    for (const auto& p : pairs) {
        *e++ = VStr(p.first);
        *e++ = p.second;
    }
    return psa;
}

class ZavetraDoc : public ::testing::Test {
protected:
    void SetUp() override { g_bForcedStop = 0; }
    void TearDown() override
    {
        g_bForcedStop = 0;
        ReleaseNodePools();
    }
};

} // namespace

TEST_F(ZavetraDoc, AppendRecordLinksCallsAtTheEnd)
{
    CZavetraDoc* pDoc = new CZavetraDoc;
    SAFEARRAY* args = Pairs({ { L"x", VLong(1) }, { L"y", VStr(L"two") } });
    VARIANT arg = VArray(args);

    CLogNode* pFirst = CallNode(L"first", 1);
    EXPECT_EQ(pFirst, pDoc->AppendRecord(pFirst, &arg, 4, 100));
    EXPECT_EQ(pFirst, pDoc->GetHead());
    EXPECT_EQ(pFirst, pDoc->GetTail());
    EXPECT_EQ(nullptr, pFirst->m_pBack);
    EXPECT_EQ((DWORD)LOGF_MEMBER_TREE, pFirst->m_pEntry->m_flags & LOGF_LOADABLE);
    ASSERT_NE(nullptr, pFirst->m_pChildren);
    EXPECT_EQ(pFirst, pFirst->m_pChildren->m_pBack);
    EXPECT_STREQ(L"x", pFirst->m_pChildren->m_pEntry->m_name.m_str);
    EXPECT_STREQ(L"y", pFirst->m_pChildren->m_pNext->m_pEntry->m_name.m_str);
    CObjTable* pFirstTable = pDoc->GetObjTable();
    EXPECT_NE(nullptr, pFirstTable);

    // A value that gives no tree: no children, the bits all the same.
    pDoc->DestroyObjTable();
    VARIANT plain = VLong(5);
    CLogNode* pSecond = CallNode(L"second", 1);
    pDoc->AppendRecord(pSecond, &plain, 4, 100);
    EXPECT_EQ(pFirst, pDoc->GetHead());
    EXPECT_EQ(pSecond, pDoc->GetTail());
    EXPECT_EQ(pSecond, pFirst->m_pNext);
    EXPECT_EQ(pFirst, pSecond->m_pBack);
    EXPECT_EQ(nullptr, pSecond->m_pChildren);
    EXPECT_EQ((DWORD)LOGF_MEMBER_TREE, pSecond->m_pEntry->m_flags & LOGF_LOADABLE);
    EXPECT_EQ(1, pSecond->m_pEntry->ClientId());
    EXPECT_NE(nullptr, pDoc->GetObjTable());

    delete pDoc;
    SafeArrayDestroy(args);
}

TEST_F(ZavetraDoc, FailedCaptureLinksNothingAndReturnsTheNode)
{
    CZavetraDoc doc;
    SAFEARRAY* args = Pairs({ { L"x", VLong(1) } });
    VARIANT arg = VArray(args);
    CLogNode* pFirst = CallNode(L"first", 2);
    doc.AppendRecord(pFirst, &arg, 4, 100);
    CObjTable* pTable = doc.GetObjTable();

    g_bForcedStop = 1;
    const int nFreeBefore = GetNodePoolState().nFreeNodes;
    CLogNode* pSecond = CallNode(L"second", 2);
    UINT code = 0;
    try {
        doc.AppendRecord(pSecond, &arg, 4, 100);
    } catch (const CExcept& e) {
        code = e.m_nCode;
    }
    EXPECT_EQ(3u, code);
    EXPECT_EQ(pFirst, doc.GetTail()) << "the failed call is not linked";
    EXPECT_EQ(nullptr, pFirst->m_pNext);
    EXPECT_EQ(pTable, doc.GetObjTable()) << "the current table stays";
    EXPECT_EQ(0u, args->cLocks);
    EXPECT_GE(GetNodePoolState().nFreeNodes, nFreeBefore + 2) << "the call's node and its pair went back";
    g_bForcedStop = 0;
    doc.Clear();
    SafeArrayDestroy(args);
}

// Members below the nest level come when the log window asks during a break.
TEST_F(ZavetraDoc, LoadMembers)
{
    SAFEARRAY* pInner = VariantArray(2);
    ((VARIANT*)pInner->pvData)[0] = VLong(10);
    ((VARIANT*)pInner->pvData)[1] = VLong(11);
    SAFEARRAY* pOuter = VariantArray(2);
    ((VARIANT*)pOuter->pvData)[0] = VArray(pInner);
    ((VARIANT*)pOuter->pvData)[1] = VLong(3);
    SAFEARRAY* args = Pairs({ { L"arr", VArray(pOuter) } });   // the argument array owns pOuter now
    VARIANT arg = VArray(args);
    {
        CZavetraDoc doc;
        CLogNode* pCall = CallNode(L"call", 1);
        doc.AppendRecord(pCall, &arg, 0, 100);
        CLogNode* pArr = pCall->m_pChildren;
        ASSERT_NE(nullptr, pArr);
        CLogNode* pElem0 = pArr->m_pChildren;
        ASSERT_NE(nullptr, pElem0);
        EXPECT_TRUE(pElem0->m_pEntry->CanLoadMembers()) << "below the nest level";
        EXPECT_EQ(nullptr, pElem0->m_pChildren);

        EXPECT_EQ(pArr, doc.LoadMembers(pArr, 100));
        EXPECT_FALSE(pElem0->m_pEntry->CanLoadMembers());
        EXPECT_EQ((DWORD)LOGF_MEMBER_TREE, pElem0->m_pEntry->m_flags & LOGF_MEMBER_TREE);
        ASSERT_NE(nullptr, pElem0->m_pChildren);
        EXPECT_EQ(pElem0, pElem0->m_pChildren->m_pBack);
        EXPECT_STREQ(L"10, 0x0000000a", pElem0->m_pChildren->m_pEntry->m_value.m_str);
        EXPECT_STREQ(L"3, 0x00000003", pElem0->m_pNext->m_pEntry->m_value.m_str) << "a plain member is left alone";

        // Nothing left to load: null; a null node: null.
        EXPECT_EQ(nullptr, doc.LoadMembers(pArr, 100));
        EXPECT_EQ(nullptr, doc.LoadMembers(pElem0->m_pChildren, 100));
        EXPECT_EQ(nullptr, doc.LoadMembers(nullptr, 100));
        EXPECT_EQ(1u, pInner->cLocks);
        doc.DestroyObjTable();
        EXPECT_EQ(0u, pInner->cLocks) << "the table's arrays are unlocked with it";
    }
    SafeArrayDestroy(args);
}

TEST_F(ZavetraDoc, MergeListSharesTheMasterEntriesAndFreesTheChain)
{
    CZavetraDoc doc;
    SAFEARRAY* args = Pairs({ { L"x", VLong(1) } });
    VARIANT arg = VArray(args);
    VARIANT plain = VLong(0);
    CLogNode* pA = CallNode(L"a", 1);
    CLogNode* pEmpty = CallNode(L"empty", 1);
    CLogNode* pB = CallNode(L"b", 2);
    doc.AppendRecord(pA, &arg, 4, 100);
    doc.AppendRecord(pEmpty, &plain, 4, 100);
    doc.AppendRecord(pB, &arg, 4, 100);

    // One group (neither Client nor Label), Object clear: every call line with
    // an argument tree, with the whole tree.
    CLogNode* pGroup = AllocNode();
    pGroup->m_pEntry->SetKind(LOGK_CALL);
    CLogNode* pMember = AllocNode();
    pMember->m_pEntry->m_name = L"x";
    pGroup->m_pChildren = pMember;   // a child search tree of one node
    const int nFreeBefore = GetNodePoolState().nFreeNodes;
    CLogNode* pResult = doc.MergeList(pGroup, 0);
    ASSERT_NE(nullptr, pResult);
    EXPECT_EQ(pA->m_pEntry, pResult->m_pEntry);
    ASSERT_NE(nullptr, pResult->m_pNext);
    EXPECT_EQ(pB->m_pEntry, pResult->m_pNext->m_pEntry) << "the call without a tree is skipped";
    EXPECT_EQ(nullptr, pResult->m_pNext->m_pNext);
    ASSERT_NE(nullptr, pResult->m_pChildren);
    EXPECT_EQ(pA->m_pChildren->m_pEntry, pResult->m_pChildren->m_pEntry);
    EXPECT_EQ(pResult, pResult->m_pChildren->m_pBack);
    EXPECT_EQ(nFreeBefore + 2, GetNodePoolState().nFreeNodes) << "the group and its member went back";
    PushFreeChain(pResult);

    // Groups without children: only the group nodes are freed.
    CLogNode* pLone = AllocNode();
    pLone->m_pEntry->SetClientId(9);
    const int nFree = GetNodePoolState().nFreeNodes;
    EXPECT_EQ(nullptr, doc.MergeList(pLone, 0x10000));   // Client: no call of client 9
    EXPECT_EQ(nFree + 1, GetNodePoolState().nFreeNodes);
    SafeArrayDestroy(args);
}

TEST_F(ZavetraDoc, ClearEmptiesEverything)
{
    CZavetraDoc doc;
    SAFEARRAY* pArr = VariantArray(1);
    SAFEARRAY* args = Pairs({ { L"arr", VArray(pArr) } });
    VARIANT arg = VArray(args);
    doc.AppendRecord(CallNode(L"call", 3), &arg, 4, 100);
    EXPECT_EQ(1u, pArr->cLocks);
    g_nClientId = 7;

    doc.Clear();
    EXPECT_EQ(nullptr, doc.GetHead());
    EXPECT_EQ(nullptr, doc.GetTail());
    EXPECT_EQ(nullptr, doc.GetObjTable());
    EXPECT_EQ(0, g_nClientId) << "the next client gets id 1";
    EXPECT_EQ(0u, pArr->cLocks);
    EXPECT_EQ(0, GetNodePoolState().nNodeBlocks);

    // The first call after Clear is head and tail.
    CLogNode* pNext = CallNode(L"next", 1);
    doc.AppendRecord(pNext, &arg, 4, 100);
    EXPECT_EQ(pNext, doc.GetHead());
    EXPECT_EQ(pNext, doc.GetTail());
    doc.Clear();
    SafeArrayDestroy(args);
}

TEST_F(ZavetraDoc, AppendRecordUsesTheSettings)
{
    // With no settings store the defaults hold: NestLevel 4, ArrayRange 100.
    CZavetraDoc doc;
    SAFEARRAY* pArr = VariantArray(150);
    SAFEARRAY* args = Pairs({ { L"arr", VArray(pArr) } });
    VARIANT arg = VArray(args);
    CLogNode* pCall = CallNode(L"call", 1);
    doc.AppendRecord(pCall, &arg);
    int n = 0;
    for (CLogNode* p = pCall->m_pChildren->m_pChildren; p; p = p->m_pNext)
        ++n;
    EXPECT_EQ(100, n);
    doc.Clear();
    SafeArrayDestroy(args);
}
