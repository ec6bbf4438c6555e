// Plugs the log thread into the main frame. Called once at start-up (and by
// tests that run the real log windows) before the main frame is made.
//
// Inline, so that the log-window library does not reach up into the
// application layer: the function is compiled where it is called.
#pragma once
#include "logwindows/LogTreeThread.h"
#include "server/app/MainFrm.h"

inline void RegisterLogWindows() {
    CMainFrame::s_pfnCreateLogThread = &CLogTreeThread::CreateForMainFrame;
    // A record that no window takes is freed by whoever builds them.
    CLogTreeThread::s_pfnFreeUnshownRecord = [](CObjInfo* pInfo) {
        if (CMainFrame::s_pObjInfoBuilder && CMainFrame::s_pObjInfoBuilder->pfnFree)
            CMainFrame::s_pObjInfoBuilder->pfnFree(pInfo);
    };
}
