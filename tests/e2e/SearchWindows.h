// The find, move and extract dialogs and the result windows of Zavetra.exe,
// worked from this process: controls of another process that take a
// pointer (tree items, list-view rows, status-bar panes) are read and set
// through a buffer allocated in that process; the rest (buttons, list and
// combo boxes, window texts) through the messages the system carries across.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "RemoteBuffer.h"

// A visible top-level window of the process with that caption and class
// (any class when null), or null at once.
HWND TopWindowOf(DWORD pid, const wchar_t* title, const wchar_t* cls = nullptr);

// Window texts and buttons of another process.
std::wstring WindowText(HWND h);
void SetWindowTextRemote(HWND h, const std::wstring& text);
bool IsChecked(HWND hButton);
// Sets a check box or radio button and tells its dialog, as a click would.
void SetCheck(HWND hDlg, int id, bool checked);
// A button of a dialog pressed: its click notification, sent.
void PressButton(HWND hDlg, int id);
// A combo box's item with that item data selected, and its dialog told.
bool SelectComboByData(HWND hDlg, int id, DWORD_PTR data);
// An editable combo box's text typed: set, and its dialog told.
void TypeComboText(HWND hDlg, int id, const std::wstring& text);
// A list box item selected and its dialog told.
void SelectListItem(HWND hDlg, int id, int index);

// The text of pane n of a status bar of another process.
std::wstring StatusPaneText(HWND hStatus, HANDLE hProcess, int pane);
// The status bar of a frame of another process.
HWND StatusBarOf(HWND hFrame);

// Tree items of another process beyond their labels (CRemoteTree).
HTREEITEM TreeCaret(HWND hTree);
void TreeSelect(HWND hTree, HTREEITEM h);
HTREEITEM TreeParent(HWND hTree, HTREEITEM h);
int TreeItemImage(HWND hTree, HANDLE hProcess, HTREEITEM h);
// The item's text rectangle in screen coordinates (empty when not visible).
RECT TreeItemTextRect(HWND hTree, HANDLE hProcess, HTREEITEM h);
// A tree item's check toggled by the keyboard: a log or result view takes
// the space character, a dialog's tree the space key.
void ToggleViewCheck(HWND hView, HTREEITEM h);
void ToggleDialogTreeCheck(HWND hTree, HTREEITEM h);

// List-view rows of another process.
int ListCount(HWND hList);
std::wstring ListText(HWND hList, HANDLE hProcess, int row);
bool ListChecked(HWND hList, int row);
bool SetListChecked(HWND hList, HANDLE hProcess, int row, bool checked);
// The row whose text is that, or -1.
int FindListRow(HWND hList, HANDLE hProcess, const std::wstring& text);

// Waits until every message posted to the thread of hTree before now has
// been handled (a marker posted behind them comes through).
bool FlushThread(HWND hTree, DWORD ms = 30000);

// A pixel of the screen.
COLORREF ScreenPixel(int x, int y);

// With ZV_SHOT_DIR set: the window, raised to the top and drawn anew, saved
// from the screen as <dir>\<name>.bmp, for looking at by eye
// (tools/dialogshots). Nothing without it.
void SaveShot(HWND hWnd, const wchar_t* name);
