// The layout of the sizeable search dialogs: a group of controls that keeps
// its distance from one corner of the window, and one control that takes
// the room the window leaves it.
#pragma once
#include <windows.h>

#include <initializer_list>

#include "framework/Wnd.h"

// Moves the controls of pDlg by (dx, dy) and gives pFill the rectangle
// rcFill (screen coordinates; a negative width or height becomes 0), in one
// deferred move. A control that has no window is passed over. nFlags goes
// with every move besides SWP_NOZORDER (SWP_NOACTIVATE, SWP_SHOWWINDOW).
void MoveControlsAndFill(CWnd* pDlg, std::initializer_list<CWnd*> moved, int dx, int dy, CWnd* pFill,
                         const RECT& rcFill, UINT nFlags);
