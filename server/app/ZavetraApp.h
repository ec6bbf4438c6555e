// The application object: start-up (OLE, the document template, the command
// line, the class object, registration), the message pump that ends the
// process after the main window has closed, and the exit.
#pragma once

#include "framework/App.h"

class CZavetraApp : public CWinApp {
public:
    CZavetraApp();

    BOOL InitInstance() override;
    BOOL PumpMessage() override;
    int ExitInstance() override;
    // The process may end once no COM object is alive.
    BOOL CanExitApp() override;

    // Set when the main window closes: the pump then only polls, and ends the
    // loop after about one second without any message.
    bool m_bClosing = false;

private:
    bool m_bOleInitialized = false;
    bool m_bClassObjectsRegistered = false;
    // The exit code when InitInstance ends the process: 0 after a successful
    // registration or unregistration, non-zero when anything failed.
    int m_nInitExitCode = 0;
    bool m_bEndedAtStart = false;

    BOOL StartUp();
};

// The application object of the process.
extern CZavetraApp theApp;
