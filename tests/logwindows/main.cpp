// The tree-window tests: an application object with the program's registry
// key, the common controls, a single-threaded apartment; whatever a handler
// lets escape is recorded so that the tests can fail on it. The program's COM
// module object exists (the main frame's layer links it) and the real log
// windows are plugged into the main frame.
#include <gtest/gtest.h>
#include <windows.h>
#include "common/TestMain.h"
#include "TreeFixture.h"
#include "server/core/Except.h"
#include "logwindows/RegisterLogWindows.h"
#include "server/app/ZavetraModule.h"

CZavetraModule g_ZavetraModule;

std::vector<std::wstring> g_exceptions;

namespace {

class CTreeTestApp : public CWinApp {
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
CTreeTestApp theApp;

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    RegisterLogWindows();
    return RunTestsAsProgram(theApp);
}
