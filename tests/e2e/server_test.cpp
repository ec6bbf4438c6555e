// The real Zavetra.exe: registration from the command line, a user-started
// instance (its settings kept across starts), and an instance started by COM.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "Process.h"
#include "Zavetra_h.h"

namespace {

const std::wstring kClsid = L"{3D99884F-47E7-485E-B449-11711B71F033}";
const std::wstring kLibid = L"{3B598781-A585-417D-8456-13877E0FB788}";
const std::wstring kIid = L"{9EE3F1C1-1ECF-4F6B-8836-FC72819E3B2F}";
const std::wstring kAppId = L"{84FBDAE9-D8F3-4199-9F65-1663B33DC147}";

bool KeyExists(const std::wstring& path) {
    HKEY hk;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &hk) != ERROR_SUCCESS) return false;
    RegCloseKey(hk);
    return true;
}

std::wstring Value(const std::wstring& path, const wchar_t* name = nullptr) {
    wchar_t buf[1024];
    DWORD size = sizeof(buf);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

// Runs Zavetra.exe with one switch; it must end by itself without a window.
DWORD RunSwitch(const std::wstring& sw) {
    CProcess p;
    EXPECT_TRUE(p.Start(Quoted(ZavetraExe()) + L" " + sw));
    bool sawWindow = false;
    DWORD code = STILL_ACTIVE;
    EXPECT_TRUE(p.WaitWatchingWindows(30000, &sawWindow, &code)) << "did not end: " << testing::PrintToString(sw);
    EXPECT_FALSE(sawWindow) << testing::PrintToString(sw);
    return code;
}

void ExpectRegistered() {
    const std::wstring cls = L"CLSID\\" + kClsid;
    EXPECT_EQ(L"Connect Class", Value(L"Zavetra.Connect.1"));
    EXPECT_EQ(kClsid, Value(L"Zavetra.Connect.1\\CLSID"));
    EXPECT_EQ(L"Connect Class", Value(L"Zavetra.Connect"));
    EXPECT_EQ(kClsid, Value(L"Zavetra.Connect\\CLSID"));
    EXPECT_EQ(L"Zavetra.Connect.1", Value(L"Zavetra.Connect\\CurVer"));
    EXPECT_EQ(L"Connect Class", Value(cls));
    EXPECT_EQ(L"Zavetra.Connect.1", Value(cls + L"\\ProgID"));
    EXPECT_EQ(L"Zavetra.Connect", Value(cls + L"\\VersionIndependentProgID"));
    EXPECT_TRUE(KeyExists(cls + L"\\Programmable"));
    EXPECT_EQ(Quoted(ZavetraExe()), Value(cls + L"\\LocalServer32"));
    EXPECT_EQ(L"", Value(cls, L"AppID"));
    EXPECT_EQ(kLibid, Value(cls + L"\\TypeLib"));
    EXPECT_EQ(L"Zavetra", Value(L"AppID\\" + kAppId));
    EXPECT_EQ(kAppId, Value(L"AppID\\Zavetra.EXE", L"AppID"));
    const std::wstring platform = sizeof(void*) == 8 ? L"win64" : L"win32";
    EXPECT_EQ(ZavetraExe(), Value(L"TypeLib\\" + kLibid + L"\\1.0\\0\\" + platform));
    EXPECT_EQ(kLibid, Value(L"Interface\\" + kIid + L"\\TypeLib"));
}

void ExpectUnregistered() {
    EXPECT_FALSE(KeyExists(L"Zavetra.Connect.1"));
    EXPECT_FALSE(KeyExists(L"Zavetra.Connect"));
    EXPECT_FALSE(KeyExists(L"CLSID\\" + kClsid));
    EXPECT_FALSE(KeyExists(L"AppID\\" + kAppId));
    EXPECT_FALSE(KeyExists(L"AppID\\Zavetra.EXE"));
    EXPECT_FALSE(KeyExists(L"TypeLib\\" + kLibid));
    EXPECT_FALSE(KeyExists(L"Interface\\" + kIid));
    // The keys marked as never removed stay.
    EXPECT_TRUE(KeyExists(L"CLSID"));
    EXPECT_TRUE(KeyExists(L"AppID"));
}

TEST(Registration, SwitchesRegisterAndUnregister) {
    struct { const wchar_t* reg; const wchar_t* unreg; } table[] = {
        {L"/RegServer", L"/UnregServer"},
        {L"-regserver", L"-unregserver"},
        {L"/REGSERVERPERUSER", L"/UNREGSERVERPERUSER"},
        {L"-Register", L"-Unregister"},
        {L"/registerperuser", L"-UnregisterPerUser"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(row.reg)));
        EXPECT_EQ(0u, RunSwitch(row.reg));
        ExpectRegistered();
        EXPECT_EQ(0u, RunSwitch(row.unreg));
        ExpectUnregistered();
    }
    // Unregistering what is not registered is no failure either.
    EXPECT_EQ(0u, RunSwitch(L"/UnregServer"));
}

TEST(Registration, FailedRegistrationEndsSilentlyWithNonZeroCode) {
    // A volatile key cannot take the lasting subkey that the class script
    // writes below it.
    HKEY hk;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Zavetra.Connect.1", 0, nullptr,
                                             REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &hk, nullptr));
    HKEY sub;
    LONG lr = RegCreateKeyExW(hk, L"Probe", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &sub, nullptr);
    RegCloseKey(hk);
    if (lr == ERROR_SUCCESS) {
        RegCloseKey(sub);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Zavetra.Connect.1");
        GTEST_SKIP() << "this registry accepts lasting keys below volatile ones";
    }
    EXPECT_NE(0u, RunSwitch(L"/RegServer"));
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Zavetra.Connect.1");
    EXPECT_EQ(0u, RunSwitch(L"/UnregServer"));
    ExpectUnregistered();
}

// Creates clients on a thread of its own (a creation that the server holds
// with a message box blocks that thread).
struct CreationThread {
    int count;
    std::atomic<int> created{0};
    HRESULT lastResult = S_OK;

    static DWORD WINAPI Run(LPVOID p) {
        auto* self = static_cast<CreationThread*>(p);
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        for (int i = 0; i < self->count; ++i) {
            IConnect* c = nullptr;
            self->lastResult = CoCreateInstance(CLSID_Connect, nullptr, CLSCTX_LOCAL_SERVER, IID_IConnect,
                                                reinterpret_cast<void**>(&c));
            if (FAILED(self->lastResult)) break;
            c->Release();
            ++self->created;
        }
        CoUninitialize();
        return 0;
    }
};

// An instance that the user started: it shows its main window (and its log
// window) without any box; the clients it serves are tested with the log
// window (logwindow_test.cpp).
class Clients : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(0u, RunSwitch(L"/RegServer")); }

    void SetUp() override { StartServer(); }
    void TearDown() override {
        if (mainWnd && server.Running()) {
            // The main window closes, the process ends by itself.
            PostMessageW(mainWnd, WM_CLOSE, 0, 0);
            EXPECT_EQ(0u, server.Wait(15000));
        }
        server.End();
    }

    // Starts Zavetra.exe and waits for its main window ("Orvanesk"; the log
    // window "LogView" comes first).
    void StartServer() {
        mainWnd = nullptr;
        ASSERT_TRUE(server.Start(Quoted(ZavetraExe())));
        ULONGLONG end = GetTickCount64() + 30000;
        while (!mainWnd && GetTickCount64() < end && server.Running()) {
            for (HWND h : VisibleWindowsOf(server.Pid())) {
                wchar_t title[64] = {};
                GetWindowTextW(h, title, 64);
                ASSERT_STRNE(L"Zavetra", title) << "a message box at start-up";
                if (!wcscmp(title, L"Orvanesk")) mainWnd = h;
            }
            Sleep(50);
        }
        ASSERT_NE(nullptr, mainWnd) << "no main window";
    }

    CProcess server;
    HWND mainWnd = nullptr;
};

// The settings changed in the form are written when the program ends and
// read again at the next start: a number, and the main window's rectangle.
TEST_F(Clients, SettingsComeBackAtTheNextStart) {
    HWND form = GetDlgItem(mainWnd, 0xE900);   // the frame's view
    ASSERT_NE(nullptr, form);
    HWND edit = GetDlgItem(form, 1012);        // "&Analysis depth"
    ASSERT_NE(nullptr, edit);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"7"));
    MoveWindow(mainWnd, 33, 44, 300, 500, TRUE);
    RECT rcBefore{};
    GetWindowRect(mainWnd, &rcBefore);

    // Quit.
    PostMessageW(form, WM_COMMAND, MAKEWPARAM(1049, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(form, 1049)));
    EXPECT_EQ(0u, server.Wait(15000));
    mainWnd = nullptr;
    server.End();

    DWORD value = 0, size = sizeof(value);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, L"Software\\Brisquane\\Zavetra\\Settings", L"NestLevel",
                                          RRF_RT_REG_DWORD, nullptr, &value, &size));
    EXPECT_EQ(7u, value);
    RECT rcSaved{};
    size = sizeof(rcSaved);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, L"Software\\Brisquane\\Zavetra\\Window", L"Main",
                                          RRF_RT_REG_BINARY, nullptr, &rcSaved, &size));
    EXPECT_EQ(rcBefore.left, rcSaved.left);
    EXPECT_EQ(rcBefore.top, rcSaved.top);
    EXPECT_EQ(rcBefore.right, rcSaved.right);
    EXPECT_EQ(rcBefore.bottom, rcSaved.bottom);

    StartServer();
    ASSERT_NE(nullptr, mainWnd);
    form = GetDlgItem(mainWnd, 0xE900);
    wchar_t text[32] = {};
    GetDlgItemTextW(form, 1012, text, 32);
    EXPECT_STREQ(L"7", text);
    RECT rcNow{};
    GetWindowRect(mainWnd, &rcNow);
    EXPECT_EQ(rcBefore.left, rcNow.left);
    EXPECT_EQ(rcBefore.top, rcNow.top);
    EXPECT_EQ(rcBefore.right - rcBefore.left, rcNow.right - rcNow.left);

    // Back to the default for the tests that follow.
    SendMessageW(GetDlgItem(form, 1012), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"4"));
}

TEST(ComStarted, InstanceStartedByComRefusesAndEnds) {
    ASSERT_EQ(0u, RunSwitch(L"/RegServer"));
    CProcess server;
    ASSERT_TRUE(server.Start(Quoted(ZavetraExe()) + L" /Embedding"));
    WaitForInputIdle(server.Handle(), 10000);
    Sleep(1000);
    EXPECT_TRUE(VisibleWindowsOf(server.Pid()).empty());

    CreationThread t;
    t.count = 1;
    HANDLE h = CreateThread(nullptr, 0, &CreationThread::Run, &t, 0, nullptr);
    ASSERT_NE(nullptr, h);
    std::wstring text;
    DWORD boxPid = 0;
    HWND box = WaitForMessageBox(0, 60000, &text, &boxPid);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"Orvanesk (window) is not running", text);
    EXPECT_EQ(server.Pid(), boxPid);
    CloseMessageBox(box);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 30000));
    CloseHandle(h);
    EXPECT_EQ(RPC_E_DISCONNECTED, t.lastResult);
    // With its last object gone, the process ends by itself.
    EXPECT_NE(static_cast<DWORD>(STILL_ACTIVE), server.Wait(15000));
}

}  // namespace
