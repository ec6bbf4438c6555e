// The builder as the main frame's wait loop reaches it.
#include <gtest/gtest.h>

#include <olectl.h>

#include "ObjInfoTest_h.h"
#include "TypeLibs.h"
#include "server/app/MainFrm.h"
#include "server/capture/ObjTable.h"

TEST(ObjInfoRegister, FillsTheMainFrameSlotWithBuildAndFree)
{
    RegisterObjInfoBuilder();
    const CMainFrame::ObjInfoBuilder* pBuilder = CMainFrame::s_pObjInfoBuilder;
    ASSERT_NE(pBuilder, nullptr);
    ASSERT_NE(pBuilder->pfnBuild, nullptr);
    ASSERT_NE(pBuilder->pfnFree, nullptr);

    // A real object with type information: a font of the system.
    FONTDESC fd = {sizeof(fd), const_cast<LPOLESTR>(L"Arial"), {120000, 0}, FW_NORMAL, ANSI_CHARSET, 0, 0, 0};
    IDispatch* pFont = nullptr;
    ASSERT_TRUE(SUCCEEDED(OleCreateFontIndirect(&fd, IID_IDispatch, (void**)&pFont)));
    {
        CObjRecord record(pFont);
        CObjInfo* pInfo = pBuilder->pfnBuild(&record);
        ASSERT_NE(pInfo, nullptr);
        EXPECT_FALSE(pInfo->m_name.IsEmpty());
        EXPECT_GT(pInfo->GetMemberCount(), 0u);
        pInfo->m_pNext = new CObjInfo;   // freed with it
        pBuilder->pfnFree(pInfo);
    }
    pFont->Release();
}
