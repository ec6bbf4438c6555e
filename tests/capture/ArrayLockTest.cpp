// Locks that the capture takes on arrays without data are given back.
#include "TestObjects.h"
#include "server/capture/ObjTable.h"

class ArrayLock : public CaptureTest {};

// An empty array may come without any data block (its data pointer null);
// the capture locks it like any other array and must unlock it with its
// record, or the array can never be destroyed again.
TEST_F(ArrayLock, EmptyArrayWithoutDataIsUnlockedWithTheTable)
{
    SAFEARRAY* pEmpty = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAllocDescriptorEx(VT_VARIANT, 1, &pEmpty));
    pEmpty->rgsabound[0].cElements = 0;
    pEmpty->rgsabound[0].lLbound = 0;
    ASSERT_EQ(nullptr, pEmpty->pvData);

    SAFEARRAY* args = MakeVariantArray({ { 2, 0 } });
    VARIANT* e = (VARIANT*)args->pvData;
    e[0] = VStr(L"empty");
    e[1].vt = VT_ARRAY | VT_VARIANT;
    e[1].parray = pEmpty;
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = args;
    {
        CObjTable table;
        const CLogNode* pNode = table.BuildArgumentTree(&arg, 4, 100);
        ASSERT_NE(nullptr, pNode);
        EXPECT_EQ(LOGK_ARRAY, pNode->m_pEntry->Kind());
        EXPECT_EQ(nullptr, pNode->m_pChildren);
        EXPECT_FALSE(pNode->m_pEntry->CanLoadMembers());
        FreeNodeTree(const_cast<CLogNode*>(pNode));
    }
    EXPECT_EQ(0u, pEmpty->cLocks);
    EXPECT_EQ(S_OK, SafeArrayDestroy(args));   // destroys the empty array with it
}
