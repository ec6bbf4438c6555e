// The tree-window tests run as the program does: its application and COM
// module objects, OLE on the main thread, the common controls and the
// program's registry key, in the test prefix; the real log windows are
// plugged into the main frame. Whatever a handler lets escape is recorded
// so that the tests can fail on it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/TestMain.h"
#include "logwindows/RegisterLogWindows.h"
#include "server/app/ZavetraApp.h"
#include "server/app/ZavetraModule.h"
#include "server/core/Except.h"

CZavetraModule g_ZavetraModule;
std::vector<std::wstring> g_exceptions;

namespace {

class CTreeTestApp : public CZavetraApp {
public:
    LRESULT ProcessWndProcException(std::exception_ptr e, const MSG* pMsg) override {
        std::wstring text = L"exception";
        try {
            std::rethrow_exception(e);
        } catch (const CExcept& x) {
            text = L"CExcept " + std::to_wstring(x.m_nCode);
        } catch (...) {
        }
        g_exceptions.push_back(text);
        return (pMsg && pMsg->message == WM_CREATE) ? -1 : 0;
    }
};

}  // namespace

CTreeTestApp theTestApp;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    RegisterLogWindows();
    return RunTestsAsProgram(theTestApp);
}
