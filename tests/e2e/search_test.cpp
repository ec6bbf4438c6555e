// The search road of Zavetra.exe as a user walks it: a script client traces
// calls with members; the user checks them in the log window, states
// conditions in the find dialog, sees the hits coloured and counted, walks
// through them with Find Next / Find Previous and the move dialog, finds
// into a result window, extracts checked members into another one, and
// empties everything with Release Log and Release Memory. Every control is
// worked and read from this process.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LogWindow.h"
#include "SearchWindows.h"
#include "StartZavetra.h"
#include "resources/ExtractDialogRes.h"
#include "resources/FindDialogRes.h"
#include "resources/LogWindowRes.h"
#include "resources/MoveDialogRes.h"
#include "resources/ResultWindowRes.h"

namespace {

// Item data of the find dialog's operator boxes.
enum : DWORD_PTR { kOpEqual = 1, kOpLessEqual = 5, kOpGreaterEqual = 6 };

const wchar_t kSettingsKey[] = L"Software\\Brisquane\\Zavetra";

bool Contains(const std::wstring& s, const std::wstring& part) { return s.find(part) != std::wstring::npos; }
// A member's label "(type) name = value", a number's followed by its hex form.
bool IsMember(const std::wstring& label, const std::wstring& nameValue) {
    const std::wstring part = L") " + nameValue;
    const size_t p = label.find(part);
    const size_t open = label.find_first_not_of(L' ');
    if (open == std::wstring::npos || label[open] != L'(' || p == std::wstring::npos) return false;
    const size_t end = p + part.size();
    return end == label.size() || label.compare(end, 4, L", 0x") == 0;
}

std::string VbsClient(const std::string& body) {
    return "On Error Resume Next\n"
           "Set z = CreateObject(\"Zavetra.Connect\")\n"
           "If Err.Number <> 0 Then WScript.Echo \"create=\" & Hex(Err.Number) : WScript.Quit 1\n" +
           body + "\nWScript.Echo \"end=\" & Hex(Err.Number)\n";
}

// Six calls "item" with a number n and a text s, then one call "other".
const char kItems[] =
    "For i = 1 To 6\n"
    "  z.Tr \"item\", Array(\"n\", i, \"s\", \"x\" & i)\n"
    "Next\n"
    "z.Tr \"other\", Array(\"n\", 3)\n";

// The first loaded item of a tree (depth first from h's run) whose label
// satisfies the test.
HTREEITEM FindItem(const CRemoteTree& t, HTREEITEM h, const std::function<bool(const std::wstring&)>& test) {
    for (; h; h = t.Next(h)) {
        if (test(t.Text(h))) return h;
        if (HTREEITEM c = FindItem(t, t.Child(h), test)) return c;
    }
    return nullptr;
}

// The member item "(type) name = value" below the root items.
HTREEITEM Member(const CRemoteTree& t, const std::wstring& nameValue) {
    for (HTREEITEM r = t.Root(); r; r = t.Next(r))
        if (HTREEITEM m = FindItem(t, t.Child(r), [&](const std::wstring& s) { return IsMember(s, nameValue); }))
            return m;
    return nullptr;
}

// A root item by the label it holds, and by a member of its own.
HTREEITEM RootWith(const CRemoteTree& t, const std::wstring& label, const std::wstring& member = L"") {
    for (HTREEITEM r = t.Root(); r; r = t.Next(r)) {
        if (!Contains(t.Text(r), label)) continue;
        if (member.empty()) return r;
        for (HTREEITEM c = t.Child(r); c; c = t.Next(c))
            if (IsMember(t.Text(c), member)) return r;
    }
    return nullptr;
}

// A result tree as lines: "root label" followed by "  child label" lines
// (loaded items, two levels).
std::vector<std::wstring> Outline(const CRemoteTree& t) {
    std::vector<std::wstring> v;
    for (HTREEITEM r = t.Root(); r; r = t.Next(r)) {
        v.push_back(t.Text(r));
        for (const std::wstring& c : t.ChildLabels(r)) v.push_back(L"  " + c);
    }
    return v;
}

std::string Show(const std::vector<std::wstring>& v) {
    std::string s;
    for (const std::wstring& l : v) s += "\n  " + Narrow(l);
    return s;
}

class SearchRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartZavetra(zv));
        // Room for every call line, and nothing over the log window.
        SetWindowPos(zv.LogFrame(), HWND_TOP, 0, 0, 540, 900, SWP_NOACTIVATE);
        hView = zv.Tree().Window();
    }
    void TearDown() override {
        if (client) client->Kill();
        // A call still held lets go first.
        if (zv.Running()) zv.Command(kCmdRestart);
        if (zv.Running()) {
            EXPECT_EQ(0u, zv.Quit());
        }
        // The dialogs' places and options go back to their defaults.
        const std::wstring window = std::wstring(kSettingsKey) + L"\\Window";
        const std::wstring common = std::wstring(kSettingsKey) + L"\\Common";
        for (const wchar_t* v : {L"LogView", L"ExtractDialog", L"ResultView", L"FindDialog", L"MoveFindDialog"})
            RegDeleteKeyValueW(HKEY_CURRENT_USER, window.c_str(), v);
        for (const wchar_t* v : {L"ExtractDialog", L"FindDialog", L"RecentFind"})
            RegDeleteKeyValueW(HKEY_CURRENT_USER, common.c_str(), v);
    }

    HANDLE Process() { return zv.Process().Handle(); }

    // Runs a client to its end; the log view is then enabled.
    void RunClient(const std::string& body) {
        client = std::make_unique<CScriptClient>();
        ASSERT_TRUE(client->Start(L"search.vbs", VbsClient(body)));
        ASSERT_EQ(0u, client->Wait(120000));
        ASSERT_EQ(L"end=0\r\n", client->Output());
        ASSERT_TRUE(WaitUntil([&] { return zv.ButtonEnabled(kCmdReleaseMemory); }));
        // The main window, shown again, keeps clear of the log window.
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(zv.MainWindow()) != FALSE; }));
        SetWindowPos(zv.MainWindow(), HWND_BOTTOM, 560, 500, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }

    // A command of a frame as its menu sends it; handled when this returns.
    void FrameCommand(HWND hFrame, UINT id) {
        DWORD_PTR r = 0;
        SendMessageTimeoutW(hFrame, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_BLOCK, 30000, &r);
    }

    // A dialog of the log thread, opened by its command and placed at x, y.
    HWND OpenDialog(HWND hFrame, UINT id, const wchar_t* title, int x, int y) {
        FrameCommand(hFrame, id);
        HWND h = nullptr;
        WaitUntil([&] { return (h = TopWindowOf(zv.Pid(), title, L"#32770")) != nullptr; });
        if (h) SetWindowPos(h, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        return h;
    }

    // A button pressed by a posted click (OK may open a message box), and
    // every message it posts handled.
    void Click(HWND hDlg, int id) {
        PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, id)));
        ASSERT_TRUE(FlushThread(hView));
        ASSERT_TRUE(FlushThread(hView));
    }

    std::wstring CaretLabel() { return zv.Tree().Text(TreeCaret(hView)); }

    std::wstring MatchCount(HWND hFrame) { return StatusPaneText(StatusBarOf(hFrame), Process(), 1); }

    bool WaitForMatchCount(HWND hFrame, const std::wstring& text) {
        return WaitUntil([&] { return MatchCount(hFrame) == text; });
    }

    // The find dialog's grouping, set as a user clicks it (the boxes take
    // clicks only while no condition is enabled).
    void SetFindGrouping(HWND hFind, bool client, bool label, bool path) {
        ASSERT_TRUE(IsWindowEnabled(GetDlgItem(hFind, IDC_FIND_CLIENT)));
        SetCheck(hFind, IDC_FIND_CLIENT, client);
        SetCheck(hFind, IDC_FIND_LABEL, label);
        SendMessageW(GetDlgItem(hFind, path ? IDC_FIND_NAME : IDC_FIND_PATH), BM_SETCHECK, BST_UNCHECKED, 0);
        SetCheck(hFind, path ? IDC_FIND_PATH : IDC_FIND_NAME, true);
    }

    // The find dialog's target: its own window (0) or result window n, with
    // the matching members only.
    void SetFindTarget(HWND hFind, int resultView) {
        SendMessageW(GetDlgItem(hFind, resultView ? IDC_FIND_CURRENTVIEW : IDC_FIND_RESULTVIEW), BM_SETCHECK,
                     BST_UNCHECKED, 0);
        SetCheck(hFind, resultView ? IDC_FIND_RESULTVIEW : IDC_FIND_CURRENTVIEW, true);
        EXPECT_EQ(resultView != 0, IsWindowEnabled(GetDlgItem(hFind, IDC_FIND_RESULTLIST)) != FALSE);
        if (!resultView) return;
        SendMessageW(GetDlgItem(hFind, IDC_FIND_SEARCHOBJECTS), BM_SETCHECK, BST_UNCHECKED, 0);
        SetCheck(hFind, IDC_FIND_MATCHOBJECTS, true);
        // The log window's list offers 1 to 7, a result window's the six others.
        HWND hList = GetDlgItem(hFind, IDC_FIND_RESULTLIST);
        for (int i = 0, n = static_cast<int>(SendMessageW(hList, LB_GETCOUNT, 0, 0)); i < n; ++i)
            if (static_cast<int>(SendMessageW(hList, LB_GETITEMDATA, i, 0)) == resultView)
                SelectListItem(hFind, IDC_FIND_RESULTLIST, i);
        EXPECT_EQ(resultView, static_cast<int>(SendMessageW(
                                  hList, LB_GETITEMDATA, SendMessageW(hList, LB_GETCURSEL, 0, 0), 0)));
    }

    // In the find dialog: checks the member and gives it its comparisons.
    void Condition(HWND hFind, CRemoteTree& tree, const std::wstring& nameValue, DWORD_PTR op1,
                   const std::wstring& v1, DWORD_PTR op2 = 0, const std::wstring& v2 = L"") {
        HTREEITEM h = Member(tree, nameValue);
        ASSERT_NE(nullptr, h) << Narrow(nameValue) << " not in the member tree:" << Show(Outline(tree));
        ToggleDialogTreeCheck(tree.Window(), h);
        ASSERT_EQ(2, TreeItemImage(tree.Window(), Process(), h)) << "the member was not checked";
        ASSERT_TRUE(IsWindowEnabled(GetDlgItem(hFind, IDC_FIND_VALUE1)));
        ASSERT_TRUE(SelectComboByData(hFind, IDC_FIND_OPERATOR1, op1));
        TypeComboText(hFind, IDC_FIND_VALUE1, v1);
        ASSERT_TRUE(SelectComboByData(hFind, IDC_FIND_OPERATOR2, op2));
        TypeComboText(hFind, IDC_FIND_VALUE2, v2);
    }

    // The log window on top of the others, drawn anew.
    void RaiseLog() {
        SetWindowPos(zv.LogFrame(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        RedrawWindow(zv.LogFrame(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

    // The background of an item of the log view, as drawn on the screen.
    COLORREF ItemColor(HTREEITEM h) {
        RECT rc = TreeItemTextRect(hView, Process(), h);
        return ScreenPixel(rc.left + 1, rc.top + 1);
    }

    // A result window by its number, with its tree attached.
    HWND WaitForResultWindow(int n, CRemoteTree& tree) {
        const std::wstring title = L"ResultView " + std::to_wstring(n);
        HWND h = nullptr;
        WaitUntil([&] { return (h = TopWindowOf(zv.Pid(), title.c_str())) != nullptr; });
        if (h) {
            tree.Attach(FindChildOfClass(h, L"SysTreeView32"), Process());
        }
        return h;
    }

    CZavetra zv;
    HWND hView = nullptr;
    std::unique_ptr<CScriptClient> client;
};

TEST_F(SearchRoad, FindColoursCountsAndWalksTheHitsOfTheirConditions) {
    ASSERT_NO_FATAL_FAILURE(RunClient(kItems));
    ASSERT_NE(nullptr, zv.WaitForLine(L"other"));
    // Every call line checked: the find dialog offers all their members.
    for (HTREEITEM r = zv.Tree().Root(); r; r = zv.Tree().Next(r)) ToggleViewCheck(hView, r);
    for (HTREEITEM r = zv.Tree().Root(); r; r = zv.Tree().Next(r))
        ASSERT_EQ(2, TreeItemImage(hView, Process(), r)) << Narrow(zv.Tree().Text(r));

    HWND hFind = OpenDialog(zv.LogFrame(), ID_FIND_DIALOG, L"Find", 545, 0);
    ASSERT_NE(nullptr, hFind);
    SetFindGrouping(hFind, true, true, true);
    SetFindTarget(hFind, 0);
    CRemoteTree members;
    ASSERT_TRUE(members.Attach(GetDlgItem(hFind, IDC_FIND_TREE), Process()));
    // Grouped by client and label: the calls "item" share one group.
    ASSERT_TRUE(WaitUntil([&] { return members.Count() > 0; }));
    std::vector<std::wstring> groups = members.RootLabels();
    ASSERT_EQ(2u, groups.size()) << Show(Outline(members));
    EXPECT_EQ(L"Client = 1   item", groups[0]);
    EXPECT_EQ(L"Client = 1   other", groups[1]);

    // n between 3 and 5 (two comparisons, numbers) and s equal to x2 (a text);
    // the call "other" has an n = 3 too, but its group has no condition.
    ASSERT_NO_FATAL_FAILURE(Condition(hFind, members, L"n = 1", kOpGreaterEqual, L"3", kOpLessEqual, L"5"));
    EXPECT_EQ(L"Numeric", WindowText(GetDlgItem(hFind, IDC_FIND_TYPE1)));
    ASSERT_NO_FATAL_FAILURE(Condition(hFind, members, L"s = x1", kOpEqual, L"x2"));
    EXPECT_EQ(L"String", WindowText(GetDlgItem(hFind, IDC_FIND_TYPE1)));
    ASSERT_NO_FATAL_FAILURE(Click(hFind, IDOK));
    std::wstring box;
    ASSERT_TRUE(WaitForMatchCount(zv.LogFrame(), L"Number of matched = 4"))
        << Narrow(MatchCount(zv.LogFrame())) << (WaitForMessageBox(zv.Pid(), 100, &box) ? " box: " + Narrow(box) : "");
    EXPECT_TRUE(IsWindow(hFind)) << "OK closed the find dialog";
    SaveShot(hFind, L"e2e-find-dialog");

    // The caret is on the first hit, and each hit is drawn on its condition's colour.
    EXPECT_TRUE(IsMember(CaretLabel(), L"s = x2")) << Narrow(CaretLabel());
    RaiseLog();
    const COLORREF plain = ItemColor(Member(zv.Tree(), L"n = 1"));
    EXPECT_TRUE(WaitUntil([&] { return ItemColor(Member(zv.Tree(), L"n = 3")) != plain; }, 10000));
    const COLORREF nColour = ItemColor(Member(zv.Tree(), L"n = 3"));
    const COLORREF sColour = ItemColor(Member(zv.Tree(), L"s = x2"));
    EXPECT_NE(plain, nColour);
    EXPECT_NE(plain, sColour);
    EXPECT_NE(nColour, sColour);
    EXPECT_EQ(nColour, ItemColor(Member(zv.Tree(), L"n = 5")));
    EXPECT_EQ(plain, ItemColor(Member(zv.Tree(), L"n = 6")));
    EXPECT_EQ(plain, ItemColor(Member(zv.Tree(), L"s = x3")));
    HTREEITEM other = RootWith(zv.Tree(), L"Client = 1   other");
    ASSERT_NE(nullptr, other);
    EXPECT_EQ(plain, ItemColor(zv.Tree().Child(other))) << "a member of a group without conditions was hit";

    // Find Next walks the hits in display order and stops at the last;
    // Find Previous walks back.
    const std::wstring next[] = {L"n = 3", L"n = 4", L"n = 5", L"n = 5"};
    for (const std::wstring& want : next) {
        FrameCommand(zv.LogFrame(), ID_FIND_NEXT);
        EXPECT_TRUE(IsMember(CaretLabel(), want)) << Narrow(CaretLabel()) << ", wanted " << Narrow(want);
    }
    const std::wstring previous[] = {L"n = 4", L"n = 3", L"s = x2", L"s = x2"};
    for (const std::wstring& want : previous) {
        FrameCommand(zv.LogFrame(), ID_FIND_PREVIOUS);
        EXPECT_TRUE(IsMember(CaretLabel(), want)) << Narrow(CaretLabel()) << ", wanted " << Narrow(want);
    }

    // The move dialog lists both conditions; with only n ticked its buttons
    // step through the hits of n alone.
    HWND hMove = OpenDialog(zv.LogFrame(), ID_MOVE_DIALOG, L"Move", 545, 620);
    ASSERT_NE(nullptr, hMove);
    HWND hList = GetDlgItem(hMove, IDC_MOVE_HITLIST);
    ASSERT_TRUE(WaitUntil([&] { return ListCount(hList) == 2; })) << ListCount(hList);
    const int rowN = FindListRow(hList, Process(), L"n"), rowS = FindListRow(hList, Process(), L"s");
    ASSERT_NE(-1, rowN);
    ASSERT_NE(-1, rowS);
    ASSERT_TRUE(SetListChecked(hList, Process(), rowN, true));
    ASSERT_TRUE(SetListChecked(hList, Process(), rowS, true));
    EXPECT_TRUE(IsChecked(GetDlgItem(hMove, IDC_MOVE_ALLSELECT)));
    ASSERT_TRUE(SetListChecked(hList, Process(), rowS, false));
    EXPECT_TRUE(ListChecked(hList, rowN));
    EXPECT_FALSE(ListChecked(hList, rowS));
    struct Step {
        int button;
        const wchar_t* want;
    } steps[] = {{IDC_MOVE_BOTTOM, L"n = 5"}, {IDC_MOVE_PREV, L"n = 4"}, {IDC_MOVE_PREV, L"n = 3"},
                 {IDC_MOVE_PREV, L"n = 3"},   {IDC_MOVE_NEXT, L"n = 4"}, {IDC_MOVE_TOP, L"n = 3"}};
    for (const Step& s : steps) {
        ASSERT_NO_FATAL_FAILURE(Click(hMove, s.button));
        EXPECT_TRUE(IsMember(CaretLabel(), s.want))
            << Narrow(CaretLabel()) << " after button " << s.button << ", wanted " << Narrow(s.want);
    }
    SaveShot(hMove, L"e2e-move-dialog");
    // Only s ticked: Top goes to its one hit, and Next stays there.
    ASSERT_TRUE(SetListChecked(hList, Process(), rowN, false));
    ASSERT_TRUE(SetListChecked(hList, Process(), rowS, true));
    ASSERT_NO_FATAL_FAILURE(Click(hMove, IDC_MOVE_TOP));
    EXPECT_TRUE(IsMember(CaretLabel(), L"s = x2")) << Narrow(CaretLabel());
    ASSERT_NO_FATAL_FAILURE(Click(hMove, IDC_MOVE_NEXT));
    EXPECT_TRUE(IsMember(CaretLabel(), L"s = x2")) << Narrow(CaretLabel());

    // The same find aimed at result window 1: the call lines with hits and
    // the hits under them, counted in that window.
    SetFindTarget(hFind, 1);
    ASSERT_NO_FATAL_FAILURE(Click(hFind, IDOK));
    CRemoteTree result;
    HWND hResult = WaitForResultWindow(1, result);
    ASSERT_NE(nullptr, hResult);
    ASSERT_TRUE(WaitForMatchCount(hResult, L"Number of matched = 4")) << Narrow(MatchCount(hResult));
    std::vector<std::wstring> lines = Outline(result);
    ASSERT_EQ(8u, lines.size()) << Show(lines);
    const wchar_t* hits[] = {L"s = x2", L"n = 3", L"n = 4", L"n = 5"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(Contains(lines[2 * i], L"Client = 1   item")) << Show(lines);
        EXPECT_TRUE(IsMember(lines[2 * i + 1], hits[i])) << Show(lines);
    }
    SetWindowPos(hResult, HWND_TOP, 545, 470, 560, 420, SWP_NOACTIVATE);
    SaveShot(hResult, L"e2e-result-found");
    SaveShot(zv.LogFrame(), L"e2e-log-found");
    // The log keeps its own hits.
    EXPECT_EQ(L"Number of matched = 4", MatchCount(zv.LogFrame()));

    // Release Log empties the result window and leaves it open.
    FrameCommand(hResult, ID_RELEASE_LOG);
    EXPECT_TRUE(WaitUntil([&] { return result.Count() == 0; })) << Show(Outline(result));
    EXPECT_TRUE(IsWindow(hResult));
}

TEST_F(SearchRoad, ExtractTakesTheCheckedMembersOfEveryCallOfTheirGroup) {
    ASSERT_NO_FATAL_FAILURE(RunClient(kItems));
    ASSERT_NE(nullptr, zv.WaitForLine(L"other"));
    // The text of the first call "item" and the whole call "other" checked.
    HTREEITEM s1 = Member(zv.Tree(), L"s = x1");
    ASSERT_NE(nullptr, s1);
    ToggleViewCheck(hView, s1);
    HTREEITEM other = RootWith(zv.Tree(), L"Client = 1   other");
    ASSERT_NE(nullptr, other);
    ToggleViewCheck(hView, other);
    EXPECT_EQ(2, TreeItemImage(hView, Process(), s1));
    EXPECT_EQ(2, TreeItemImage(hView, Process(), zv.Tree().Child(other)));
    EXPECT_EQ(1, TreeItemImage(hView, Process(), Member(zv.Tree(), L"n = 1")));

    HWND hExtract = OpenDialog(zv.LogFrame(), ID_EXTRACT_DIALOG, L"Extract", 545, 0);
    ASSERT_NE(nullptr, hExtract);
    SetCheck(hExtract, IDC_EXTRACT_CLIENT, true);
    SetCheck(hExtract, IDC_EXTRACT_LABEL, true);
    SetCheck(hExtract, IDC_EXTRACT_OBJECT, true);
    SendMessageW(GetDlgItem(hExtract, IDC_EXTRACT_NAME), BM_SETCHECK, BST_UNCHECKED, 0);
    SetCheck(hExtract, IDC_EXTRACT_PATH, true);
    SelectListItem(hExtract, IDC_EXTRACT_RESULTLIST, 1);
    CRemoteTree preview;
    ASSERT_TRUE(preview.Attach(GetDlgItem(hExtract, IDC_EXTRACT_TREE), Process()));
    const std::vector<std::wstring> wantPreview = {L"Client = 1   item", L"  (BSTR) s", L"Client = 1   other",
                                                   L"  (SHORT) n"};
    EXPECT_TRUE(WaitUntil([&] { return Outline(preview) == wantPreview; })) << Show(Outline(preview));
    SaveShot(hExtract, L"e2e-extract-dialog");

    // The groups act as patterns over the whole log: every call "item"
    // gives its text, the call "other" its number.
    ASSERT_NO_FATAL_FAILURE(Click(hExtract, IDOK));
    CRemoteTree result;
    HWND hResult = WaitForResultWindow(2, result);
    ASSERT_NE(nullptr, hResult);
    ASSERT_TRUE(WaitUntil([&] { return result.Count() == 14; })) << Show(Outline(result));
    std::vector<std::wstring> lines = Outline(result);
    ASSERT_EQ(14u, lines.size()) << Show(lines);
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(Contains(lines[2 * i], L"Client = 1   item")) << Show(lines);
        EXPECT_TRUE(IsMember(lines[2 * i + 1], L"s = x" + std::to_wstring(i + 1))) << Show(lines);
    }
    EXPECT_TRUE(Contains(lines[12], L"Client = 1   other")) << Show(lines);
    EXPECT_TRUE(IsMember(lines[13], L"n = 3")) << Show(lines);
    EXPECT_TRUE(IsWindow(hExtract)) << "OK closed the extract dialog";
    SetWindowPos(hResult, HWND_TOP, 0, 0, 600, 500, SWP_NOACTIVATE);
    SaveShot(hResult, L"e2e-result-extracted");

    // A find in the result window aimed at itself highlights its hits there.
    FrameCommand(hResult, ID_FIND_DIALOG);
    HWND hFind = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (hFind = TopWindowOf(zv.Pid(), L"Find (ResultView 2)")) != nullptr; }));
    HTREEITEM first = result.Root();
    ASSERT_NE(nullptr, first);
    ToggleViewCheck(result.Window(), first);
    CRemoteTree members;
    ASSERT_TRUE(members.Attach(GetDlgItem(hFind, IDC_FIND_TREE), Process()));
    ASSERT_TRUE(WaitUntil([&] { return members.Count() > 0; }));
    SetFindGrouping(hFind, false, false, true);
    SetFindTarget(hFind, 0);
    ASSERT_TRUE(WaitUntil([&] { return Member(members, L"s = x1") != nullptr; })) << Show(Outline(members));
    ASSERT_NO_FATAL_FAILURE(Condition(hFind, members, L"s = x1", kOpGreaterEqual, L"x4"));
    ASSERT_NO_FATAL_FAILURE(Click(hFind, IDOK));
    EXPECT_TRUE(WaitForMatchCount(hResult, L"Number of matched = 3")) << Narrow(MatchCount(hResult));
    // Find Next there goes from the caret (the checked first line) to the first hit.
    FrameCommand(hResult, ID_FIND_NEXT);
    EXPECT_TRUE(IsMember(result.Text(TreeCaret(result.Window())), L"s = x4")) << Narrow(result.Text(TreeCaret(result.Window())));

    // Release Memory empties the log and closes the result window with its dialogs.
    zv.Command(kCmdReleaseMemory);
    EXPECT_TRUE(WaitUntil([&] { return zv.Tree().Count() == 0; }));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hResult) && !IsWindow(hFind); }));
    EXPECT_FALSE(IsWindow(hExtract)) << "the extract dialog outlived the log";
}

// While a call is held at a break the log view can be searched: the held
// call's members are found and counted, into a result window too, and the
// client goes on when it is let go.
TEST_F(SearchRoad, AHeldCallIsFoundAndReleaseMemoryLeavesNothing) {
    client = std::make_unique<CScriptClient>();
    ASSERT_TRUE(client->Start(L"search-held.vbs", VbsClient(std::string(kItems) + R"(
z.Br "held", Array("n", 9, "s", "x9")
WScript.Echo "after=" & Hex(Err.Number)
)")));
    HTREEITEM held = zv.WaitForLine(L"held");
    ASSERT_NE(nullptr, held);
    ASSERT_TRUE(WaitUntil([&] { return zv.ButtonEnabled(kCmdRestart); }));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), client->Wait(0));
    for (HTREEITEM r = zv.Tree().Root(); r; r = zv.Tree().Next(r)) ToggleViewCheck(hView, r);

    HWND hFind = OpenDialog(zv.LogFrame(), ID_FIND_DIALOG, L"Find", 545, 0);
    ASSERT_NE(nullptr, hFind);
    // Neither client nor label: one group holds the members of every call.
    SetFindGrouping(hFind, false, false, true);
    SetFindTarget(hFind, 0);
    CRemoteTree members;
    ASSERT_TRUE(members.Attach(GetDlgItem(hFind, IDC_FIND_TREE), Process()));
    ASSERT_TRUE(WaitUntil([&] { return members.RootLabels().size() == 1; })) << Show(Outline(members));
    ASSERT_NO_FATAL_FAILURE(Condition(hFind, members, L"n = 1", kOpGreaterEqual, L"6"));
    ASSERT_NO_FATAL_FAILURE(Click(hFind, IDOK));
    ASSERT_TRUE(WaitForMatchCount(zv.LogFrame(), L"Number of matched = 2")) << Narrow(MatchCount(zv.LogFrame()));
    EXPECT_TRUE(IsMember(CaretLabel(), L"n = 6")) << Narrow(CaretLabel());
    FrameCommand(zv.LogFrame(), ID_FIND_NEXT);
    EXPECT_TRUE(IsMember(CaretLabel(), L"n = 9")) << Narrow(CaretLabel());

    SetFindTarget(hFind, 3);
    ASSERT_NO_FATAL_FAILURE(Click(hFind, IDOK));
    CRemoteTree result;
    HWND hResult = WaitForResultWindow(3, result);
    ASSERT_NE(nullptr, hResult);
    ASSERT_TRUE(WaitForMatchCount(hResult, L"Number of matched = 2")) << Narrow(MatchCount(hResult));
    std::vector<std::wstring> lines = Outline(result);
    ASSERT_EQ(4u, lines.size()) << Show(lines);
    EXPECT_TRUE(Contains(lines[0], L"Client = 1   item")) << Show(lines);
    EXPECT_TRUE(IsMember(lines[1], L"n = 6")) << Show(lines);
    EXPECT_TRUE(Contains(lines[2], L"Client = 1   held")) << Show(lines);
    EXPECT_TRUE(IsMember(lines[3], L"n = 9")) << Show(lines);

    zv.Command(kCmdRestart);
    EXPECT_EQ(0u, client->Wait(30000));
    EXPECT_EQ(L"after=0\r\nend=0\r\n", client->Output());
    ASSERT_TRUE(WaitUntil([&] { return zv.ButtonEnabled(kCmdReleaseMemory); }));
    // The found lines stay after the client has gone.
    EXPECT_EQ(lines, Outline(result));

    FrameCommand(hResult, ID_RELEASE_LOG);
    EXPECT_TRUE(WaitUntil([&] { return result.Count() == 0; }));
    zv.Command(kCmdReleaseMemory);
    EXPECT_TRUE(WaitUntil([&] { return zv.Tree().Count() == 0; }));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hResult) && !IsWindow(hFind); }));
    EXPECT_EQ(L"", MatchCount(zv.LogFrame()));
    EXPECT_TRUE(zv.Running());
}

}  // namespace
