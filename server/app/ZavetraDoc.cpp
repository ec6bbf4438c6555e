// The main document.
#include "server/app/ZavetraDoc.h"
#include <new>
#include "server/capture/ObjTable.h"
#include "server/core/Except.h"
#include "server/core/Globals.h"
#include "server/core/NodeAlgo.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNCREATE(CZavetraDoc, CDocument)

CZavetraDoc::CZavetraDoc() : m_pHead(nullptr), m_pTail(nullptr), m_pObjTable(nullptr) {}

CZavetraDoc::~CZavetraDoc()
{
    // The table's member chains live in the pools: the table goes first.
    DestroyObjTable();
    if (!m_bKeepPools)
        ReleaseNodePools();
}

CLogNode* CZavetraDoc::AppendRecord(CLogNode* pNode, const VARIANT* pObjectArray)
{
    const CAppSettings& settings = CAppSettings::Get();
    return AppendRecord(pNode, pObjectArray, settings.Settings.NestLevel, settings.Settings.ArrayRange);
}

CLogNode* CZavetraDoc::AppendRecord(CLogNode* pNode, const VARIANT* pObjectArray, int nLevels, int nItems)
{
    if (pNode == nullptr)
        return nullptr;
    CObjTable* pTable = nullptr;
    CLogNode* pArgs = nullptr;
    try {
        try {
            pTable = new CObjTable(pNode->m_pEntry ? static_cast<UINT>(pNode->m_pEntry->ClientId()) : 0u);
        } catch (const std::bad_alloc&) {
            throw CExcept(ZV_ERR_MEMORY);
        }
        try {
            pArgs = pTable->BuildArgumentTree(pObjectArray, nLevels, nItems);
        } catch (const std::bad_alloc&) {
            throw CExcept(ZV_ERR_MEMORY);
        }
    } catch (const CExcept&) {
        delete pTable;   // releases what the capture had taken
        pNode->m_pNext = pNode->m_pBack = nullptr;
        FreeNodeTree(pNode);
        throw;
    }

    LinkCall(pNode, pArgs);

    // The previous call's table is normally gone by now; one still here
    // (a call that arrived while another was being captured) is not leaked.
    // Releasing its objects may let another call in, which must not find it.
    while (m_pObjTable)
        DestroyObjTable();
    m_pObjTable = pTable;
    return pNode;
}

void CZavetraDoc::LinkCall(CLogNode* pNode, CLogNode* pArgs)
{
    if (pNode == nullptr)
        return;
    if (pNode->m_pEntry) {
        pNode->m_pEntry->ClearFlags(LOGF_NOT_LOADED);
        pNode->m_pEntry->SetFlags(LOGF_MEMBER_TREE);
    }
    pNode->m_pChildren = pArgs;
    if (pArgs)
        pArgs->m_pBack = pNode;

    if (m_pHead == nullptr) {
        pNode->m_pBack = nullptr;
        m_pHead = pNode;
    } else {
        m_pTail->m_pNext = pNode;
        pNode->m_pBack = m_pTail;
    }
    m_pTail = pNode;
    while (m_pTail->m_pNext)
        m_pTail = m_pTail->m_pNext;
}

CLogNode* CZavetraDoc::LoadMembers(CLogNode* pNode)
{
    return LoadMembers(pNode, CAppSettings::Get().Settings.ArrayRange);
}

CLogNode* CZavetraDoc::LoadMembers(CLogNode* pNode, int nItems)
{
    if (pNode == nullptr)
        return nullptr;
    bool bLoaded = false;
    for (CLogNode* pChild = pNode->m_pChildren; pChild; pChild = pChild->m_pNext) {
        CLogEntry* pEntry = pChild->m_pEntry;
        if (pEntry == nullptr || !pEntry->CanLoadMembers())
            continue;
        CLogNode* pMembers = nullptr;
        try {
            if (m_pObjTable)
                pMembers = m_pObjTable->AttachMembers(pChild, nItems);
        } catch (const std::bad_alloc&) {
            throw CExcept(ZV_ERR_MEMORY);
        }
        pEntry->ClearFlags(LOGF_NOT_LOADED);
        pEntry->SetFlags(LOGF_MEMBER_TREE);
        if (pMembers)
            bLoaded = true;
    }
    return bLoaded ? pNode : nullptr;
}

CLogNode* CZavetraDoc::MergeList(CLogNode* pChain, LPARAM lParam)
{
    CLogNode* pResult = nullptr;
    try {
        pResult = BuildExtractResult(m_pHead, pChain, (lParam & 0x10000) != 0, (lParam & 0x20000) != 0,
                                     (lParam & 0x40000) != 0, (lParam & 0x80000) != 0);
    } catch (const CExcept&) {
        pResult = nullptr;
    } catch (const std::bad_alloc&) {
        pResult = nullptr;
    }
    // The posted chain is this operation's: its groups hold their members as
    // child search trees, which go back as lists.
    for (CLogNode* pGroup = pChain; pGroup; pGroup = pGroup->m_pNext) {
        CLogNode* pTree = pGroup->m_pChildren;
        if (pTree == nullptr)
            continue;
        pGroup->m_pChildren = nullptr;
        CLogNode* pTail = nullptr;
        CLogNode* pList = NodeTreeToList(pTree, pTail);
        FreeNodeTree(pList);
    }
    FreeNodeTree(pChain);
    return pResult;
}

void CZavetraDoc::DestroyObjTable()
{
    // Releasing the captured objects calls out to their clients, and COM may
    // deliver another call meanwhile: the table is let go of first, so that
    // such a call neither finds it nor destroys it a second time.
    CObjTable* pTable = m_pObjTable;
    m_pObjTable = nullptr;
    delete pTable;
}

void CZavetraDoc::Clear()
{
    // The table's member chains are pool nodes: destroy it before the pools
    // go, and before the list is forgotten, so that a call that comes in
    // while its objects are released goes with the rest.
    DestroyObjTable();
    m_pHead = m_pTail = nullptr;
    ReleaseNodePools();
    g_nClientId = 0;
}
