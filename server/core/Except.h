// The program's one exception type: an error code carried from where something
// failed to where a request or message is handled.
#pragma once
#include <windows.h>

// Error codes.
enum : UINT {
    ZV_OK                    = 0,
    ZV_ERR_STOPPED           = 2,   // the user stopped tracing
    ZV_ERR_FORCED_STOP       = 3,   // second Stop: capture abandoned / held call ended
    ZV_ERR_NO_LOGWINDOW      = 4,   // the log window is gone
    ZV_ERR_REFUSED_MEMORY    = 5,   // call refused after a memory error of code 9
    ZV_ERR_REFUSED_NODE      = 6,   // call refused after a memory error of code 10
    ZV_ERR_REFUSED_BSTR      = 7,   // call refused after a memory error of code 11
    ZV_ERR_MEMORY            = 9,   // any other allocation failed
    ZV_ERR_MEMORY_NODE       = 10,  // a node or entry block could not be allocated
    ZV_ERR_MEMORY_BSTR       = 11,  // a string could not be allocated
    ZV_ERR_DESTROY_LOGTHREAD = 12,
    ZV_ERR_CREATE_RESULTVIEW = 13,
    ZV_ERR_INSERT_RESULTITEM = 14,
    ZV_ERR_INSERT_DIALOGITEM = 15,
    ZV_ERR_INSERT_OBJINFOITEM = 16,
    ZV_ERR_INSERT_OBJINFOLIST = 17,
    ZV_ERR_NOT_RUNNING       = 19,  // client object created without a main window
    ZV_ERR_TOO_MANY_CLIENTS  = 20,  // client id would exceed 255
    ZV_ERR_BEGIN_THREAD      = 21,  // the log thread could not be started
    ZV_ERR_CREATE_LOGVIEW    = 22,  // the log thread could not create its log window
    ZV_ERR_INSERT_TREEITEM   = 23   // insertion into a tree view failed
};

// What an error code shows and returns. pszText is null for codes that show
// nothing; nIcon is MB_ICONEXCLAMATION or MB_ICONHAND (0 with no text).
struct CExceptInfo {
    LPCWSTR pszText;
    UINT    nIcon;
    HRESULT hr;
};

// Pure lookup of the code table.
CExceptInfo ExceptInfo(UINT nCode);

class CExcept {
public:
    CExcept(UINT nCode) : m_nCode(nCode) {}

    // Shows the code's message box (caption "Zavetra", OK only); codes
    // without a message show nothing.
    void Report() const;
    // The HRESULT a COM client receives for the code.
    HRESULT ToHResult() const;

    UINT m_nCode;
};
