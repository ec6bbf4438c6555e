// Private window and thread messages of the program.
#pragma once
#include <windows.h>

constexpr UINT UM_TRACE                      = WM_APP + 0x01;
constexpr UINT UM_CLIENT_CONNECT             = WM_APP + 0x02;
constexpr UINT UM_CLIENT_DISCONNECT          = WM_APP + 0x03;
constexpr UINT UM_LOGTHREAD_QUIT             = WM_APP + 0x04;
constexpr UINT UM_SHOW_EXTRACT               = WM_APP + 0x05;
constexpr UINT UM_UPDATE_RESULTVIEW_FONT     = WM_APP + 0x06;
constexpr UINT UM_UPDATE_OBJINFO_FONT        = WM_APP + 0x07;
constexpr UINT UM_UPDATE_FINDDIALOG_FONT     = WM_APP + 0x08;
constexpr UINT UM_UPDATE_HIGHLIGHT           = WM_APP + 0x09;
constexpr UINT UM_SHOW_OBJINFO               = WM_APP + 0x0A;
constexpr UINT UM_ADD_ENTRY                  = WM_APP + 0x0B;
constexpr UINT UM_CONNECTED                  = WM_APP + 0x0C;
constexpr UINT UM_DISCONNECTED               = WM_APP + 0x0D;
// wParam of UM_DISCONNECTED: no call is inside the main frame, so the
// master list is whole and changes under nobody.
constexpr WPARAM DISCONNECT_LIST_COMPLETE    = 1;
constexpr UINT UM_MEMBERS_LOADED             = WM_APP + 0x0E;
constexpr UINT UM_UPDATE_LOGVIEW_FONT        = WM_APP + 0x10;
constexpr UINT UM_UPDATE_EXTRACTDIALOG_FONT  = WM_APP + 0x11;
constexpr UINT UM_LOGVIEW_CREATED            = WM_APP + 0x12;
// wParam of UM_RELEASE_MEMORY (and of UM_REQUEST_RELEASE_MEMORY): the
// number of calls the log window had been handed when it emptied itself;
// the pools go only when no call was handed to it since.
constexpr UINT UM_RELEASE_MEMORY             = WM_APP + 0x14;
constexpr UINT UM_WAIT_FIRST                 = WM_APP + 0x15;  // wait loop filter: lower bound
constexpr UINT UM_RESTART                    = WM_APP + 0x16;
constexpr UINT UM_CONTINUE                   = WM_APP + 0x17;
constexpr UINT UM_STOP                       = WM_APP + 0x18;
constexpr UINT UM_FORCED_STOP                = WM_APP + 0x19;
constexpr UINT UM_LOGVIEW_CLOSED             = WM_APP + 0x1A;
constexpr UINT UM_ERROR_REPORT               = WM_APP + 0x1C;
constexpr UINT UM_LOAD_MEMBERS               = WM_APP + 0x1D;
constexpr UINT UM_EXTRACT_REQUEST            = WM_APP + 0x1E;
constexpr UINT UM_OBJINFO_REQUEST            = WM_APP + 0x1F;
constexpr UINT UM_WAIT_LAST                  = WM_APP + 0x20;  // wait loop filter: upper bound
constexpr UINT UM_REQUEST_RELEASE_MEMORY     = WM_APP + 0x21;
constexpr UINT UM_CLOSE_RESULTVIEWS          = WM_APP + 0x22;
constexpr UINT UM_VIEW_ERROR                 = WM_APP + 0x23;
constexpr UINT UM_EXPAND_OBJECT              = WM_APP + 0x24;
constexpr UINT UM_OBJINFO_COMMAND            = WM_APP + 0x25;
constexpr UINT UM_LOGVIEW_FONT_CHANGED       = WM_APP + 0x26;
constexpr UINT UM_RESULTVIEW_FONT_CHANGED    = WM_APP + 0x27;
constexpr UINT UM_OBJINFO_FONT_CHANGED       = WM_APP + 0x28;
constexpr UINT UM_EXTRACTDIALOG_FONT_CHANGED = WM_APP + 0x29;
constexpr UINT UM_FINDDIALOG_FONT_CHANGED    = WM_APP + 0x2A;
constexpr UINT UM_COLORS_CHANGED             = WM_APP + 0x2B;
constexpr UINT UM_RESULTVIEW_ERROR           = WM_APP + 0x2C;
constexpr UINT UM_EXTRACT_OK                 = WM_APP + 0x2D;
constexpr UINT UM_EXTRACTDIALOG_CLOSED       = WM_APP + 0x2E;
constexpr UINT UM_EXTRACT_ERROR              = WM_APP + 0x2F;
constexpr UINT UM_FIND                       = WM_APP + 0x30;
constexpr UINT UM_FINDDIALOG_CLOSED          = WM_APP + 0x31;
constexpr UINT UM_FIND_ERROR                 = WM_APP + 0x32;
constexpr UINT UM_FIND_TO_RESULTVIEW         = WM_APP + 0x33;
constexpr UINT UM_RESULTVIEW_CLOSED          = WM_APP + 0x34;
constexpr UINT UM_OBJINFO_CLOSED             = WM_APP + 0x35;
constexpr UINT UM_MOVE_HIT                   = WM_APP + 0x36;
constexpr UINT UM_MOVEDIALOG_CLOSED          = WM_APP + 0x37;
constexpr UINT UM_SCROLLBAR                  = WM_APP + 0x38;
constexpr UINT UM_LIST_CONTEXTMENU           = WM_APP + 0x3A;
constexpr UINT UM_LIST_COPY                  = WM_APP + 0x3B;
constexpr UINT UM_OBJINFO_ITEM_ERROR         = WM_APP + 0x3C;
constexpr UINT UM_OBJINFO_DATA_ERROR         = WM_APP + 0x3D;

// Option bits of UM_EXTRACT_REQUEST / UM_EXTRACT_OK lParam (view number in bits 0-15).
constexpr LPARAM EXTRACT_VIEW_MASK   = 0xFFFF;
constexpr LPARAM EXTRACT_OPT_CLIENT  = 0x10000;
constexpr LPARAM EXTRACT_OPT_LABEL   = 0x20000;
constexpr LPARAM EXTRACT_OPT_OBJECT  = 0x40000;
constexpr LPARAM EXTRACT_OPT_PATH    = 0x80000;

// Move-hit directions of UM_MOVE_HIT wParam.
constexpr WPARAM MOVE_HIT_NEXT = 0, MOVE_HIT_PREVIOUS = 1, MOVE_HIT_FIRST = 2, MOVE_HIT_LAST = 3;

// Posts a thread message, retrying up to 10 times with a 1 ms pause after
// each failure. Returns whether the post succeeded.
inline BOOL PostThreadMessageRetry(DWORD dwThreadId, UINT msg, WPARAM wParam, LPARAM lParam)
{
    for (int nTry = 0; nTry < 10; ++nTry) {
        if (::PostThreadMessageW(dwThreadId, msg, wParam, lParam))
            return TRUE;
        ::Sleep(1);
    }
    return FALSE;
}
