// The executable's process-wide objects, constructed in this order before
// start-up and destroyed in the reverse order at exit, and its entry point.
#include <windows.h>

#include "framework/App.h"
#include "logwindows/RegisterLogWindows.h"
#include "objinfo/ObjInfo.h"
#include "objinfo/RegisterObjInfoWindow.h"
#include "search/dialogs/RegisterSearchDialogs.h"
#include "search/dialogs/RegisterExtractAndMoveDialogs.h"
#include "server/app/ZavetraApp.h"
#include "server/app/ZavetraModule.h"

CZavetraModule g_ZavetraModule;
CZavetraApp theApp;

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
    RegisterObjInfoBuilder();
    RegisterLogWindows();
    RegisterObjInfoWindow();
    RegisterSearchDialogs();
    RegisterExtractAndMoveDialogs();
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
