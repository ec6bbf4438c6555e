// Plugs the builder into the main frame, which serves the object-information
// requests of a held call.
#include "objinfo/ObjInfo.h"

#include "server/app/MainFrm.h"

namespace {

CObjInfo* BuildRecord(CObjRecord* pRecord)
{
    return CObjInfo::Build(pRecord);
}

void FreeRecord(CObjInfo* pInfo)
{
    delete pInfo;
}

const CMainFrame::ObjInfoBuilder g_builder = {BuildRecord, FreeRecord};

} // namespace

void RegisterObjInfoBuilder()
{
    CMainFrame::s_pObjInfoBuilder = &g_builder;
}
