// The record list of the object-information window.
#include "objinfo/ObjInfoDoc.h"
#include "objinfo/ObjInfo.h"
#include "objinfo/ObjInfoHints.h"

IMPLEMENT_DYNCREATE(CObjInfoDoc, CDocument)

CObjInfoDoc::~CObjInfoDoc() { DeleteAllRecords(); }

void CObjInfoDoc::AddRecord(CObjInfo* pInfo) {
    if (!pInfo) return;
    pInfo->m_pNext = m_pHead;
    m_pHead = pInfo;
    UpdateAllViews(nullptr, OBJINFO_HINT_ADD_RECORD, ToHint(pInfo));
}

CObjInfo* CObjInfoDoc::DeleteRecord(CObjInfo* rec) {
    CObjInfo* before = nullptr;
    CObjInfo* p = m_pHead;
    while (p && p != rec) {
        before = p;
        p = p->m_pNext;
    }
    if (!p || !rec) {
        UpdateAllViews(nullptr, OBJINFO_HINT_SHOW_RECORD, ToHint(m_pHead));
        return m_pHead;
    }
    CObjInfo* after = rec->m_pNext;
    if (before) before->m_pNext = after;
    else m_pHead = after;
    rec->m_pNext = nullptr;
    delete rec;
    CObjInfo* shown = after ? after : m_pHead;
    UpdateAllViews(nullptr, OBJINFO_HINT_SHOW_RECORD, ToHint(shown));
    return shown;
}

void CObjInfoDoc::DeleteAllRecords() {
    // Destroying a record destroys the chain behind it.
    CObjInfo* head = m_pHead;
    m_pHead = nullptr;
    delete head;
}
