// Object information as a user asks for it: a script client is held at a
// break with a Scripting.Dictionary and a FileSystemObject; their lines are
// clicked in the log window and Object Info pressed; the object-information
// window's member tree and lists are read back, a record deleted, rows
// copied to the clipboard; then ReStart lets the client end.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

#include "LogWindow.h"
#include "ObjInfoWindow.h"
#include "StartZavetra.h"

namespace {

std::string VbsClient(const std::string& body) {
    return "On Error Resume Next\n"
           "Set z = CreateObject(\"Zavetra.Connect\")\n"
           "If Err.Number <> 0 Then WScript.Echo \"create=\" & Hex(Err.Number) : WScript.Quit 1\n" +
           body + "\nWScript.Echo \"end\"\n";
}

bool Contains(const std::vector<std::wstring>& v, const std::wstring& s) {
    for (const std::wstring& x : v)
        if (x == s) return true;
    return false;
}

// The member id of a Scripting.Dictionary member as its own type information
// gives it to this process, in the data view's form.
std::wstring DictionaryIdText(const wchar_t* member) {
    CLSID clsid{};
    IDispatch* disp = nullptr;
    if (FAILED(CLSIDFromProgID(L"Scripting.Dictionary", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&disp))))
        return L"(no dictionary)";
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    const HRESULT hr = disp->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    disp->Release();
    if (FAILED(hr)) return L"(no id)";
    wchar_t text[64];
    swprintf(text, 64, L"%u, 0x%08x", static_cast<unsigned>(id), static_cast<unsigned>(id));
    return text;
}

// The texts, one per line, for a failure message.
std::string Dump(const std::vector<std::wstring>& v) {
    std::wstring s;
    for (const std::wstring& x : v) s += L"\n  " + x;
    return Narrow(s);
}

class ObjInfo : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartZavetra(zv));
        ASSERT_TRUE(logInput.Attach(zv.Tree().Window(), zv.Process().Handle()));
    }
    void TearDown() override {
        if (client.Running()) {
            zv.Command(kCmdRestart);
            if (client.Wait(10000) == STILL_ACTIVE) client.Kill();
        }
        if (zv.Running()) {
            EXPECT_EQ(0u, zv.Quit());
        }
    }

    // Starts the client held at "inspect" with "dict" and "files", after an
    // earlier call that handed over the same dictionary as "old".
    void StartHeldClient() {
        ASSERT_TRUE(client.Start(L"objinfo.vbs", VbsClient(R"(
Set d = CreateObject("Scripting.Dictionary")
d.Add "alpha", "one"
Set fso = CreateObject("Scripting.FileSystemObject")
z.Tr "earlier", Array("old", d)
If Err.Number <> 0 Then WScript.Echo "tr=" & Hex(Err.Number)
z.Br "inspect", Array("dict", d, "files", fso)
WScript.Echo "after=" & Hex(Err.Number)
)")));
        held = zv.WaitForLine(L"inspect");
        ASSERT_NE(nullptr, held) << "the held call is not shown";
        earlier = zv.Tree().FindRoot(L"earlier");
        ASSERT_NE(nullptr, earlier);
    }

    // Clicks the log line and waits until the Object Info button follows it.
    bool ClickLogItem(HTREEITEM h, bool markable) {
        if (!logInput.Click(h)) return false;
        if (!WaitUntil([&] { return logInput.Selected() == h; })) return false;
        return WaitUntil([&] { return zv.ButtonEnabled(kCmdObjectInfo) == markable; }, 5000);
    }

    // Clicks the member tree's item and waits until the data view shows it.
    bool ClickObjInfoItem(HTREEITEM h, const std::wstring& shownName) {
        if (!window.TreeInput().Click(h)) return false;
        const bool member = window.TreeInput().Parent(h) != nullptr;
        CRemoteList& list = member ? window.Members() : window.Interfaces();
        const wchar_t* label = member ? L"  Name" : L"Name";
        return WaitUntil([&] {
            const int row = list.FindRow(label);
            return window.TreeInput().Selected() == h && row >= 0 && list.Text(row, 1) == shownName;
        });
    }

    HTREEITEM LogMember(HTREEITEM call, const wchar_t* name) {
        return FindChildEndingWith(zv.Tree(), call, std::wstring(L" ") + name);
    }

    CZavetra zv;
    CScriptClient client;
    CRemoteTreeInput logInput;
    CObjInfoWindow window;
    HTREEITEM held = nullptr;
    HTREEITEM earlier = nullptr;
};

TEST_F(ObjInfo, HeldObjectsAreShownInTheObjectInformationWindow) {
    ASSERT_NO_FATAL_FAILURE(StartHeldClient());
    HTREEITEM dict = LogMember(held, L"dict");
    HTREEITEM files = LogMember(held, L"files");
    HTREEITEM old = LogMember(earlier, L"old");
    ASSERT_TRUE(dict && files && old) << Dump(zv.Tree().ChildLabels(held)) << Dump(zv.Tree().ChildLabels(earlier));

    // Only the held call's objects can be asked for: not its call line, not
    // the same object handed over by the call before.
    EXPECT_TRUE(ClickLogItem(held, false)) << "the call line offers Object Info";
    EXPECT_TRUE(ClickLogItem(old, false)) << "an earlier call's object offers Object Info";
    ASSERT_TRUE(ClickLogItem(dict, true)) << "the held dictionary does not offer Object Info";

    zv.Command(kCmdObjectInfo);
    ASSERT_TRUE(window.WaitFor(zv.Pid(), zv.Process().Handle())) << "no object-information window";
    ASSERT_TRUE(WaitUntil([&] { return window.Records().size() == 1 && window.InterfaceValue(L"Name") != L""; }));
    EXPECT_EQ(std::vector<std::wstring>{L"IDictionary"}, window.Records());
    EXPECT_EQ(L"IDictionary", window.InterfaceValue(L"Name"));
    EXPECT_EQ(L"DispInterface", window.InterfaceValue(L"Kind"));
    EXPECT_NE(L"", window.InterfaceValue(L"IID"));
    // The record is selected: no member, an empty declaration.
    EXPECT_EQ(0, window.Members().Count());
    EXPECT_EQ(std::vector<std::wstring>{L"*"}, window.Declaration().Rows());

    HTREEITEM root = window.Tree().Root();
    const std::vector<std::wstring> members = window.Tree().ChildLabels(root);
    for (const wchar_t* name : {L"Add", L"Count", L"Exists", L"Item", L"Keys", L"Remove", L"RemoveAll"})
        EXPECT_TRUE(Contains(members, name)) << Narrow(name) << Dump(members);

    // A method with its two arguments.
    HTREEITEM add = window.Member(root, L"Add");
    ASSERT_TRUE(ClickObjInfoItem(add, L"Add")) << Dump(window.Members().Rows());
    const std::vector<std::wstring> rows = window.Members().Rows();
    EXPECT_EQ(L"*Method| ", rows.front()) << Dump(rows);
    EXPECT_TRUE(Contains(rows, L"  ID|" + DictionaryIdText(L"Add"))) << Dump(rows);
    EXPECT_TRUE(Contains(rows, L"*Argument|0")) << Dump(rows);
    EXPECT_TRUE(Contains(rows, L"*Argument|1")) << Dump(rows);
    EXPECT_TRUE(Contains(rows, L"  Name|Key")) << Dump(rows);
    EXPECT_TRUE(Contains(rows, L"  Name|Item")) << Dump(rows);
    EXPECT_TRUE(Contains(rows, L"  Attribute|in")) << Dump(rows);
    // Both arguments are declared VARIANT*.
    EXPECT_TRUE(Contains(rows, L"  Type|VARIANT*")) << Dump(rows);
    EXPECT_FALSE(Contains(rows, L"  Type|VARIANT**")) << Dump(rows);
    // One line when it fits the list, else one row per line.
    const std::vector<std::wstring> decl = window.Declaration().Rows();
    const std::vector<std::wstring> oneLine = {L"*VOID Add ( VARIANT* Key, VARIANT* Item )"};
    const std::vector<std::wstring> multiLine = {L"*VOID Add (", L"*    VARIANT* Key ,", L"*    VARIANT* Item", L"*)"};
    EXPECT_TRUE(decl == oneLine || decl == multiLine) << Dump(decl);

    // A property getter.
    ASSERT_TRUE(ClickObjInfoItem(window.Member(root, L"Count"), L"Count")) << Dump(window.Members().Rows());
    EXPECT_EQ(L"*Property Get| ", window.Members().Rows().front());
    EXPECT_TRUE(Contains(window.Members().Rows(), L"  ID|" + DictionaryIdText(L"Count")));
    EXPECT_TRUE(Contains(window.Members().Rows(), L"  Type|LONG")) << Dump(window.Members().Rows());

    // The second object, asked for with Ctrl+I in the log window, comes in
    // above the first and is shown.
    ASSERT_TRUE(ClickLogItem(files, true));
    ASSERT_TRUE(BringToFront(zv.LogFrame())) << "the log window does not come to the front";
    PressWithCtrl('I');
    ASSERT_TRUE(WaitUntil([&] { return window.Records().size() == 2; })) << Dump(window.Records());
    EXPECT_EQ((std::vector<std::wstring>{L"IFileSystem3", L"IDictionary"}), window.Records());
    EXPECT_TRUE(WaitUntil([&] { return window.InterfaceValue(L"Name") == L"IFileSystem3"; }))
        << Dump(window.Interfaces().Rows());
    EXPECT_EQ(L"IFileSystem3", window.SelectedRecord());
    EXPECT_EQ(0, window.Members().Count());

    // Deleting it moves the member tree and the data view to the dictionary.
    window.TreeCommand(kCmdObjInfoDelete);
    ASSERT_TRUE(WaitUntil([&] { return window.Records().size() == 1; })) << Dump(window.Records());
    EXPECT_EQ(std::vector<std::wstring>{L"IDictionary"}, window.Records());
    EXPECT_TRUE(WaitUntil([&] { return window.InterfaceValue(L"Name") == L"IDictionary"; }))
        << Dump(window.Interfaces().Rows());
    EXPECT_EQ(L"IDictionary", window.SelectedRecord());

    // ReStart lets the client go on; the window keeps its record, and
    // nothing is offered for objects that are no longer held.
    zv.Command(kCmdRestart);
    EXPECT_EQ(0u, client.Wait(15000));
    EXPECT_EQ(L"after=0\r\nend\r\n", client.Output());
    EXPECT_EQ(std::vector<std::wstring>{L"IDictionary"}, window.Records());
    EXPECT_TRUE(ClickLogItem(dict, false)) << "an object of a finished call offers Object Info";
}

TEST_F(ObjInfo, SelectedRowsAreCopiedToTheClipboard) {
    ASSERT_NO_FATAL_FAILURE(StartHeldClient());
    HTREEITEM dict = LogMember(held, L"dict");
    ASSERT_NE(nullptr, dict) << Dump(zv.Tree().ChildLabels(held));
    // Asked for with "ObjectInfo" of the line's popup menu this time.
    ASSERT_TRUE(logInput.RightClick(dict));
    HWND menu = WaitForPopupMenu(zv.Pid());
    ASSERT_NE(nullptr, menu) << "no popup menu on the held object";
    ChooseFirstMenuItem(menu);
    ASSERT_TRUE(window.WaitFor(zv.Pid(), zv.Process().Handle())) << "no object-information window";
    ASSERT_TRUE(WaitUntil([&] { return window.Records().size() == 1; }));
    HTREEITEM add = window.Member(window.Tree().Root(), L"Add");
    ASSERT_TRUE(ClickObjInfoItem(add, L"Add")) << Dump(window.Members().Rows());

    // The copy command, as the list's popup sends it: the second column of
    // the selected rows, one line each.
    CRemoteList& members = window.Members();
    const int type = members.FindRow(L"  Type"), name = members.FindRow(L"  Name"), id = members.FindRow(L"  ID");
    ASSERT_TRUE(type >= 0 && name > type && id > name) << Dump(members.Rows());
    ASSERT_TRUE(SetClipboardText(L"untouched"));
    ASSERT_TRUE(members.Select({type, name, id}));
    PostMessageW(members.Window(), WM_COMMAND, MAKEWPARAM(kCmdObjInfoCopy, 0), 0);
    const std::wstring want = members.Text(type, 1) + L"\r\nAdd\r\n" + DictionaryIdText(L"Add");
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == want; })) << Narrow(ClipboardText());

    // The declaration list copies its only column.
    ASSERT_TRUE(window.Declaration().Select({0}));
    PostMessageW(window.Declaration().Window(), WM_COMMAND, MAKEWPARAM(kCmdObjInfoCopy, 0), 0);
    const std::wstring line = window.Declaration().Text(0, 0);
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == line; })) << Narrow(ClipboardText());

    // Ctrl+C from the keyboard, after a click on the interface list's Name row.
    ASSERT_TRUE(BringToFront(window.Frame())) << "the window does not come to the front";
    ASSERT_TRUE(SetClipboardText(L"untouched"));
    RECT rc;
    const int nameRow = window.Interfaces().FindRow(L"Name");
    ASSERT_TRUE(window.Interfaces().RowRect(nameRow, &rc));
    ClickWithMouse(window.Interfaces().Window(), POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    ASSERT_TRUE(WaitUntil([&] { return window.Interfaces().Selected(nameRow); })) << "the click did not select the row";
    PressWithCtrl('C');
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == L"IDictionary"; })) << Narrow(ClipboardText());

    zv.Command(kCmdRestart);
    EXPECT_EQ(0u, client.Wait(15000));
    EXPECT_EQ(L"after=0\r\nend\r\n", client.Output());
}

}  // namespace
