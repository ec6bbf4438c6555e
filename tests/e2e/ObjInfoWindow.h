// The object-information window of Zavetra.exe as the user meets it: found
// among the program's windows, its member tree and its three lists read from
// this process, items clicked and rows selected as a user does; the
// clipboard that its copy fills; and real keyboard and mouse input.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "LogWindow.h"
#include "RemoteBuffer.h"

// Commands of the object-information window and of the log window's view.
enum : UINT {
    kCmdObjectInfo = 32835,      // toolbar "Object Info" and Ctrl+I of the log window
    kCmdObjInfoDelete = 32826,   // "&Delete" of the member tree's popup
    kCmdObjInfoCopy = 32833,     // "Copy" of a list's popup, sent to the list
};


// A tree control of another process, clicked as the user clicks it.
class CRemoteTreeInput {
public:
    bool Attach(HWND hTree, HANDLE hProcess);
    // The item's text rectangle in the tree's client area; false when the
    // item is not on the control's page.
    bool ItemRect(HTREEITEM h, RECT* prc) const;
    // Left button down and up on the item's label, as posted mouse messages.
    bool Click(HTREEITEM h) const;
    // The same with the right button, which may open the item's popup menu.
    bool RightClick(HTREEITEM h) const;
    HTREEITEM Selected() const;
    HTREEITEM Parent(HTREEITEM h) const;

private:
    HWND m_hTree = nullptr;
    CRemoteBuffer m_buf;
};

// A report-style list control of another process.
class CRemoteList {
public:
    bool Attach(HWND hList, HANDLE hProcess);
    HWND Window() const { return m_hList; }
    int Count() const;
    int Columns() const;
    std::wstring Text(int row, int column) const;
    LPARAM Data(int row) const;
    bool Selected(int row) const;
    // Selects exactly those rows.
    bool Select(std::initializer_list<int> rows) const;
    // Every row as "column 0|column 1" (column 1 left out in a list of one
    // column), with '*' in front of heading rows (item data 0).
    std::vector<std::wstring> Rows() const;
    // The first row whose column 0 is the text, or -1.
    int FindRow(const std::wstring& label) const;
    // The row's label rectangle in the list's client area.
    bool RowRect(int row, RECT* prc) const;

private:
    HWND m_hList = nullptr;
    CRemoteBuffer m_buf;
};

// The object-information window of a running Zavetra.exe.
class CObjInfoWindow {
public:
    // Waits for the window ("ObjectInfoView") with its member tree and lists.
    bool WaitFor(DWORD pid, HANDLE hProcess, DWORD ms = 30000);
    HWND Frame() const { return m_hFrame; }
    CRemoteTree& Tree() { return m_tree; }
    CRemoteTreeInput& TreeInput() { return m_treeInput; }
    CRemoteList& Interfaces() { return m_interfaces; }
    CRemoteList& Declaration() { return m_declaration; }
    CRemoteList& Members() { return m_members; }

    // The root items' texts, top to bottom.
    std::vector<std::wstring> Records() const { return m_tree.RootLabels(); }
    // The child item of a root with exactly that text, or null.
    HTREEITEM Member(HTREEITEM root, const std::wstring& name) const;
    // The value of the interface list's row with that label ("" without one).
    std::wstring InterfaceValue(const std::wstring& label) const;
    // The text of the selected item's root ("" with no selection).
    std::wstring SelectedRecord();
    // A command of the member tree, as its popup menu sends it.
    void TreeCommand(UINT id) const;

private:
    HWND m_hFrame = nullptr;
    CRemoteTree m_tree;
    CRemoteTreeInput m_treeInput;
    CRemoteList m_interfaces, m_declaration, m_members;
};

// The visible popup menu of the process, waited for.
HWND WaitForPopupMenu(DWORD pid, DWORD ms = 10000);
// Chooses the popup menu's first item with the keyboard (Down, then Enter).
void ChooseFirstMenuItem(HWND hMenuWindow);

// A descendant window with that control id, or null.
HWND FindChildById(HWND hParent, int id);
// The child item of an item whose text ends with the text (a log line of a
// named member ends with its name), or null.
HTREEITEM FindChildEndingWith(const CRemoteTree& tree, HTREEITEM parent, const std::wstring& end);

// The clipboard's Unicode text, read from this process ("(none)" without
// text, "(not open)" when it stays held by another window).
std::wstring ClipboardText();
bool SetClipboardText(const std::wstring& text);

// Real input, as the keyboard and the mouse give it to the foreground window.
// Brings the window to the front; true when it is the foreground window.
bool BringToFront(HWND h);
// A left click at a point of a window's client area.
void ClickWithMouse(HWND h, POINT client);
// A key pressed with Ctrl held down.
void PressWithCtrl(WORD vk);
