// The log thread's slot for the object-information window.
#include "objinfo/RegisterObjInfoWindow.h"
#include "logwindows/LogTreeThread.h"
#include "objinfo/ObjInfo.h"
#include "objinfo/ObjInfoDoc.h"
#include "objinfo/ObjInfoFrame.h"
#include "objinfo/ObjInfoItemView.h"

namespace {

void FreeRecord(CObjInfo* pInfo) {
    if (!pInfo) return;
    pInfo->m_pNext = nullptr;  // only this record, never a chain it may still point into
    delete pInfo;
}

void AddRecord(CDocument* pDoc, CObjInfo* pInfo) {
    if (auto* doc = dynamic_cast<CObjInfoDoc*>(pDoc)) doc->AddRecord(pInfo);
    else FreeRecord(pInfo);
}

// The slot names the classes as the templates take them.
CRuntimeClass* Class(const CRuntimeClass* c) { return const_cast<CRuntimeClass*>(c); }

const CObjInfoWindowSlot g_slot = {
    Class(RUNTIME_CLASS(CObjInfoDoc)),
    Class(RUNTIME_CLASS(CObjInfoFrame)),
    Class(RUNTIME_CLASS(CObjInfoItemView)),
    AddRecord,
    FreeRecord,
};

}  // namespace

void RegisterObjInfoWindow() { CLogTreeThread::s_pObjInfoWindow = &g_slot; }
