// The main frame against a stand-in log side: the trace states, the wait
// loop with the requests it serves, the forwards of setting changes, the
// saved rectangle and the settings store, and the message boxes shown.
#include "mainframe_test.h"

namespace {

// ---------------------------------------------------------------------------
// The trace states: one table of state, event, code, message box, next state.

enum class Ev {
    CallContinue,   // a call; the log side answers UM_CONTINUE
    CallRestart,    // ... UM_RESTART
    CallStop,       // ... UM_STOP
    CallForced,     // ... UM_FORCED_STOP
    CallLogClosed,  // ... the log window is closed during the call
    CallError,      // ... UM_ERROR_REPORT with nArg
    Connect,        // the first client connects
    Disconnect,     // the last client leaves
    PostError,      // outside a call: UM_ERROR_REPORT with nArg
    PostStop,       // outside a call: UM_STOP
    PostForced,     // outside a call: UM_FORCED_STOP (one client connected)
    PostLogClosed,  // outside a call: the log window is closed
    PostRelease,    // outside a call: UM_RELEASE_MEMORY
    PostContinue,   // outside a call: UM_CONTINUE and UM_RESTART
};

struct StateCase {
    int nFrom;
    Ev ev;
    UINT nArg;
    int nCode;           // result of the sent message; -1 for posted events
    const wchar_t* box;  // the message box the frame shows, or null
    int nTo;
    bool bHandedOver;    // whether the log window was told of the call
};

const StateCase kStateCases[] = {
    // Calls in the ready state end as the log side says.
    {0, Ev::CallContinue, 0, 0, nullptr, 0, true},
    {0, Ev::CallRestart, 0, 0, nullptr, 0, true},
    {0, Ev::CallStop, 0, 2, nullptr, 1, true},
    {0, Ev::CallForced, 0, 3, nullptr, 0, true},
    {0, Ev::CallLogClosed, 0, 4, nullptr, 2, true},
    {0, Ev::CallError, 9, 9, kBox9, 3, true},
    {0, Ev::CallError, 10, 10, kBox10, 4, true},
    {0, Ev::CallError, 11, 11, kBox11, 5, true},
    {0, Ev::CallError, 23, 23, kBox23, 6, true},
    {0, Ev::CallError, 13, 13, kBox13, 0, true},
    {0, Ev::CallError, 3, 3, kBox3, 0, true},
    // Calls in the other states are refused at once, without a box.
    {1, Ev::CallContinue, 0, 2, nullptr, 1, false},
    {2, Ev::CallContinue, 0, 4, nullptr, 2, false},
    {3, Ev::CallContinue, 0, 5, nullptr, 3, false},
    {4, Ev::CallContinue, 0, 6, nullptr, 4, false},
    {5, Ev::CallContinue, 0, 7, nullptr, 5, false},
    {6, Ev::CallContinue, 0, 23, nullptr, 6, false},
    // A new client.
    {0, Ev::Connect, 0, 0, nullptr, 0, false},
    {1, Ev::Connect, 0, 0, nullptr, 1, false},
    {2, Ev::Connect, 0, 0, nullptr, 0, false},  // a new log thread
    {3, Ev::Connect, 0, 9, nullptr, 3, false},
    {4, Ev::Connect, 0, 10, nullptr, 4, false},
    {5, Ev::Connect, 0, 11, nullptr, 5, false},
    {6, Ev::Connect, 0, 0, nullptr, 6, false},
    // The last client leaves.
    {0, Ev::Disconnect, 0, 0, nullptr, 0, false},
    {1, Ev::Disconnect, 0, 0, nullptr, 0, false},
    {2, Ev::Disconnect, 0, 0, nullptr, 2, false},
    {3, Ev::Disconnect, 0, 0, nullptr, 0, false},
    {4, Ev::Disconnect, 0, 0, nullptr, 0, false},
    {5, Ev::Disconnect, 0, 0, nullptr, 0, false},
    {6, Ev::Disconnect, 0, 0, nullptr, 6, false},
    // Requests of the log side outside a call.
    {0, Ev::PostError, 9, -1, kBox9, 3, false},
    {0, Ev::PostError, 23, -1, kBox23, 6, false},
    {0, Ev::PostError, 13, -1, kBox13, 0, false},
    {0, Ev::PostStop, 0, -1, nullptr, 0, false},
    {1, Ev::PostStop, 0, -1, nullptr, 1, false},
    {1, Ev::PostForced, 0, -1, nullptr, 0, false},
    {0, Ev::PostLogClosed, 0, -1, nullptr, 2, false},
    {6, Ev::PostRelease, 0, -1, nullptr, 0, false},
    {3, Ev::PostRelease, 0, -1, nullptr, 0, false},
    {1, Ev::PostContinue, 0, -1, nullptr, 1, false},
};

TEST_F(MainFrameTest, StateTable) {
    for (const StateCase& c : kStateCases) {
        SCOPED_TRACE(testing::Message() << "from " << c.nFrom << ", event " << static_cast<int>(c.ev) << " ("
                                        << c.nArg << ")");
        FakeLog::Get().Reset();
        ResetGlobals();
        MainFrameHost host;
        ASSERT_TRUE(host.IsOpen());
        CMainFrame* f = host.Frame();
        ASSERT_EQ(0, f->GetTraceState());
        if (c.nFrom == CMainFrame::STATE_NO_LOGWINDOW) {
            CloseLogWindowOutsideCall(host);
            ASSERT_EQ(nullptr, f->GetLogThread());
        } else if (c.nFrom != 0) {
            f->SetTraceState(c.nFrom);
        }
        g_nClients = (c.ev == Ev::Connect) ? 0 : 1;
        boxes.TakeTexts();
        const int nAddsBefore = FakeLog::Get().Count(UM_ADD_ENTRY);

        HWND hMain = host.Hwnd();
        int nCode = -1;
        switch (c.ev) {
        case Ev::CallContinue:
        case Ev::CallRestart:
        case Ev::CallStop:
        case Ev::CallForced:
        case Ev::CallError: {
            UINT msg = c.ev == Ev::CallContinue ? UM_CONTINUE
                     : c.ev == Ev::CallRestart  ? UM_RESTART
                     : c.ev == Ev::CallStop     ? UM_STOP
                     : c.ev == Ev::CallForced   ? UM_FORCED_STOP
                                                : UM_ERROR_REPORT;
            UINT arg = c.nArg;
            FakeLog::Get().onAddEntry = [msg, arg](HWND h, CLogNode*) { PostToMain(h, msg, arg); };
            nCode = static_cast<int>(host.Trace(L"call"));
            break;
        }
        case Ev::CallLogClosed:
            FakeLog::Get().onAddEntry = [](HWND, CLogNode*) { ::DestroyWindow(FakeLog::Get().hLogWindow); };
            nCode = static_cast<int>(host.Trace(L"call"));
            break;
        case Ev::Connect:
            nCode = static_cast<int>(host.Connect());
            break;
        case Ev::Disconnect:
            nCode = static_cast<int>(host.Disconnect());
            break;
        case Ev::PostError:
            PostToMain(hMain, UM_ERROR_REPORT, c.nArg);
            break;
        case Ev::PostStop:
            PostToMain(hMain, UM_STOP);
            break;
        case Ev::PostForced:
            PostToMain(hMain, UM_FORCED_STOP);
            break;
        case Ev::PostLogClosed:
            CloseLogWindowOutsideCall(host);
            break;
        case Ev::PostRelease:
            PostToMain(hMain, UM_RELEASE_MEMORY, f->GetHandedCalls());
            break;
        case Ev::PostContinue:
            PostToMain(hMain, UM_CONTINUE);
            PostToMain(hMain, UM_RESTART);
            break;
        }
        PumpMessages();

        EXPECT_EQ(c.nCode, nCode);
        std::vector<std::wstring> texts = boxes.TakeTexts();
        if (c.box) {
            ASSERT_EQ(1u, texts.size()) << testing::PrintToString(Joined(texts));
            EXPECT_EQ(std::wstring(c.box), texts[0]);
        } else {
            EXPECT_TRUE(texts.empty()) << testing::PrintToString(Joined(texts));
        }
        EXPECT_EQ(c.nTo, f->GetTraceState());
        EXPECT_EQ(c.bHandedOver, FakeLog::Get().Count(UM_ADD_ENTRY) > nAddsBefore);
        // The held call's captured objects never outlive it.
        EXPECT_EQ(nullptr, host.Doc()->GetObjTable());
    }
}

// A refused call still joins the master list, behind the calls before it.
TEST_F(MainFrameTest, RefusedCallJoinsTheMasterList) {
    MainFrameHost host;
    g_nClients = 1;
    EXPECT_EQ(0u, host.Trace(L"first"));
    host.Frame()->SetTraceState(CMainFrame::STATE_STOPPED);
    EXPECT_EQ(2u, host.Trace(L"second"));
    CLogNode* pHead = host.Doc()->GetHead();
    ASSERT_NE(nullptr, pHead);
    ASSERT_NE(nullptr, pHead->m_pNext);
    EXPECT_STREQ(L"second", pHead->m_pNext->m_pEntry->m_name);
    EXPECT_EQ(pHead->m_pNext, host.Doc()->GetTail());
    EXPECT_EQ(1, FakeLog::Get().Count(UM_ADD_ENTRY));
}

// ---------------------------------------------------------------------------
// The wait loop.

// dict.Add key, item
void DictionaryAdd(IDispatch* pDict, const VARIANT& key, const VARIANT& item) {
    DISPID dispAdd = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"Add");
    pDict->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &dispAdd);
    VARIANT args[2];   // in reverse order
    args[0] = item;
    args[1] = key;
    DISPPARAMS dp{args, nullptr, 2, 0};
    pDict->Invoke(dispAdd, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
}

// A Scripting.Dictionary with the given string keys (items 1, 2, ...), as a
// VARIANT that holds the one reference *ppDict points to.
VARIANT MakeDictionary(std::initializer_list<const wchar_t*> keys, IDispatch** ppDict) {
    VARIANT v;
    ::VariantInit(&v);
    CLSID clsid;
    *ppDict = nullptr;
    if (FAILED(::CLSIDFromProgID(L"Scripting.Dictionary", &clsid))) return v;
    if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(ppDict))))
        return v;
    int n = 0;
    for (const wchar_t* key : keys) {
        VARIANT k, item;
        k.vt = VT_BSTR;
        k.bstrVal = ::SysAllocString(key);
        item.vt = VT_I4;
        item.lVal = ++n;
        DictionaryAdd(*ppDict, k, item);
        ::VariantClear(&k);
    }
    v.vt = VT_DISPATCH;
    v.pdispVal = *ppDict;
    return v;
}

// An array of (name, value) pairs with one pair.
VARIANT OnePair(const wchar_t* name, const VARIANT& value) {
    SAFEARRAY* psa = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
    VARIANT* items = nullptr;
    ::SafeArrayAccessData(psa, reinterpret_cast<void**>(&items));
    items[0].vt = VT_BSTR;
    items[0].bstrVal = ::SysAllocString(name);
    ::VariantCopy(&items[1], const_cast<VARIANT*>(&value));
    ::SafeArrayUnaccessData(psa);
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = psa;
    return v;
}

CLogNode* FindChild(CLogNode* pParent, const wchar_t* name) {
    for (CLogNode* p = pParent ? pParent->m_pChildren : nullptr; p; p = p->m_pNext)
        if (p->m_pEntry && wcscmp(p->m_pEntry->m_name, name) == 0) return p;
    return nullptr;
}

int CountChildren(const CLogNode* p) {
    int n = 0;
    for (const CLogNode* c = p ? p->m_pChildren : nullptr; c; c = c->m_pNext) ++n;
    return n;
}

// Requests served inside a held call: object information for an object
// node and for a node that is none, members loaded (and the log window told
// with the node and item it asked with), an extract; the table is gone once
// the call has ended.
TEST_F(MainFrameTest, WaitLoopServesRequestsOfTheHeldCall) {
    static IDispatch* s_pDispatchSeen = nullptr;
    static int s_nBuilt = 0;
    static const CMainFrame::ObjInfoBuilder kBuilder = {
        [](CObjRecord* pRecord) -> CObjInfo* {
            s_pDispatchSeen = pRecord->GetDispatch();
            ++s_nBuilt;
            return reinterpret_cast<CObjInfo*>(static_cast<UINT_PTR>(0x5150));
        },
        [](CObjInfo*) {}};
    s_pDispatchSeen = nullptr;
    s_nBuilt = 0;
    CMainFrame::s_pObjInfoBuilder = &kBuilder;

    MainFrameHost host;
    CAppSettings::Get().Settings.NestLevel = 0;   // only the first level is read at the call
    CAppSettings::Get().Settings.ArrayRange = 100;
    g_nClients = 1;
    // outer: a dictionary whose one key is another dictionary with three keys;
    // the inner one's members wait to be loaded.
    IDispatch* pInner = nullptr;
    VARIANT inner = MakeDictionary({L"a", L"b", L"c"}, &pInner);
    ASSERT_NE(nullptr, pInner) << "Scripting.Dictionary is not available";
    IDispatch* pOuter = nullptr;
    VARIANT outer = MakeDictionary({}, &pOuter);
    VARIANT one;
    one.vt = VT_I4;
    one.lVal = 1;
    DictionaryAdd(pOuter, inner, one);
    VARIANT args = OnePair(L"outer", outer);

    CObjTable* pTableDuringCall = nullptr;
    CLogNode* pItemsGroup = nullptr;
    FakeLog::Get().onAddEntry = [&](HWND h, CLogNode* pNode) {
        pTableDuringCall = host.Doc()->GetObjTable();
        pItemsGroup = FindChild(FindChild(pNode, L"outer"), L"Items");
        CLogNode* pInnerNode = pItemsGroup ? pItemsGroup->m_pChildren : nullptr;
        PostToMain(h, UM_OBJINFO_REQUEST, reinterpret_cast<WPARAM>(pInnerNode));   // an object
        PostToMain(h, UM_OBJINFO_REQUEST, reinterpret_cast<WPARAM>(pNode));        // a call line
        PostToMain(h, UM_LOAD_MEMBERS, reinterpret_cast<WPARAM>(pItemsGroup), 0x7777);
        PostToMain(h, UM_EXTRACT_REQUEST, 0, 0x30003);
        PostToMain(h, UM_WAIT_FIRST);
        PostToMain(h, UM_WAIT_FIRST + 6);   // 0x801B: no message
        PostToMain(h, UM_WAIT_LAST);
        PostToMain(h, WM_USER + 77);        // outside the range: stays queued
        PostToMain(h, UM_CONTINUE);
    };
    EXPECT_EQ(0u, host.Trace(L"held", &args));
    EXPECT_NE(nullptr, pTableDuringCall);
    EXPECT_EQ(nullptr, host.Doc()->GetObjTable());
    ASSERT_NE(nullptr, pItemsGroup) << "no Items group under the outer dictionary";

    // Object information: built from the inner dictionary's record for its
    // node, 0 for the call line.
    ASSERT_TRUE(FakeLog::Get().WaitForCount(UM_SHOW_OBJINFO, 2));
    std::vector<UINT_PTR> shown;
    for (const FakeLogEvent& e : FakeLog::Get().Events())
        if (e.message == UM_SHOW_OBJINFO) shown.push_back(e.wParam);
    EXPECT_EQ((std::vector<UINT_PTR>{0x5150, 0}), shown);
    EXPECT_EQ(1, s_nBuilt);
    EXPECT_EQ(pInner, s_pDispatchSeen);

    // Members: the inner dictionary's members are attached, and all three
    // keys are there although object information expanded its record first.
    ASSERT_TRUE(FakeLog::Get().WaitForCount(UM_MEMBERS_LOADED, 1));
    FakeLogEvent loaded{};
    ASSERT_TRUE(FakeLog::Get().Last(UM_MEMBERS_LOADED, &loaded));
    EXPECT_EQ(reinterpret_cast<WPARAM>(pItemsGroup), loaded.wParam);
    EXPECT_EQ(0x7777, loaded.lParam);
    CLogNode* pInnerItems = FindChild(pItemsGroup->m_pChildren, L"Items");
    ASSERT_NE(nullptr, pInnerItems) << "no Items group under the inner dictionary";
    EXPECT_EQ(3, CountChildren(pInnerItems));

    // The extract: result view 3.
    ASSERT_TRUE(FakeLog::Get().WaitForCount(UM_SHOW_EXTRACT, 1));
    FakeLogEvent extract{};
    ASSERT_TRUE(FakeLog::Get().Last(UM_SHOW_EXTRACT, &extract));
    EXPECT_EQ(3, extract.lParam);

    // The range's other ids were taken and dropped; the message outside the
    // range waited for the main loop.
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, UM_WAIT_FIRST, UM_WAIT_LAST, PM_NOREMOVE));
    EXPECT_TRUE(::PeekMessageW(&msg, host.Hwnd(), WM_USER + 77, WM_USER + 77, PM_REMOVE));

    ::VariantClear(&args);
    ::VariantClear(&outer);
    ::VariantClear(&inner);
}

// Outside a held call, member loads and object-information requests are
// lost, also for an object of the last call whose members could still be
// loaded; an extract request is still served.
TEST_F(MainFrameTest, RequestsOutsideACall) {
    static int s_nBuilt = 0;
    static const CMainFrame::ObjInfoBuilder kBuilder = {[](CObjRecord*) -> CObjInfo* {
                                                            ++s_nBuilt;
                                                            return nullptr;
                                                        },
                                                        [](CObjInfo*) {}};
    s_nBuilt = 0;
    CMainFrame::s_pObjInfoBuilder = &kBuilder;
    MainFrameHost host;
    CAppSettings::Get().Settings.NestLevel = 0;
    CAppSettings::Get().Settings.ArrayRange = 100;
    g_nClients = 1;
    IDispatch* pInner = nullptr;
    VARIANT inner = MakeDictionary({L"a"}, &pInner);
    ASSERT_NE(nullptr, pInner) << "Scripting.Dictionary is not available";
    IDispatch* pOuter = nullptr;
    VARIANT outer = MakeDictionary({}, &pOuter);
    VARIANT one;
    one.vt = VT_I4;
    one.lVal = 1;
    DictionaryAdd(pOuter, inner, one);
    VARIANT args = OnePair(L"outer", outer);
    CLogNode* pCall = nullptr;
    FakeLog::Get().onAddEntry = [&](HWND h, CLogNode* pNode) {
        pCall = pNode;
        PostToMain(h, UM_CONTINUE);
    };
    EXPECT_EQ(0u, host.Trace(L"done", &args));
    CLogNode* pItemsGroup = FindChild(FindChild(pCall, L"outer"), L"Items");
    ASSERT_NE(nullptr, pItemsGroup);
    CLogNode* pInnerNode = pItemsGroup->m_pChildren;
    ASSERT_NE(nullptr, pInnerNode);
    ASSERT_TRUE(pInnerNode->m_pEntry->CanLoadMembers());

    PostToMain(host.Hwnd(), UM_LOAD_MEMBERS, reinterpret_cast<WPARAM>(pItemsGroup), 1);
    PostToMain(host.Hwnd(), UM_OBJINFO_REQUEST, reinterpret_cast<WPARAM>(pInnerNode), 0);
    PostToMain(host.Hwnd(), UM_EXTRACT_REQUEST, 0, 0x10005);
    PumpMessages();
    ASSERT_TRUE(FakeLog::Get().WaitForCount(UM_SHOW_EXTRACT, 1));
    FakeLogEvent extract{};
    FakeLog::Get().Last(UM_SHOW_EXTRACT, &extract);
    EXPECT_EQ(5, extract.lParam);
    ::Sleep(50);
    EXPECT_EQ(0, FakeLog::Get().Count(UM_MEMBERS_LOADED));
    EXPECT_TRUE(pInnerNode->m_pEntry->CanLoadMembers()) << "a member load was served outside the call";
    EXPECT_EQ(nullptr, pInnerNode->m_pChildren);
    EXPECT_EQ(0, FakeLog::Get().Count(UM_SHOW_OBJINFO));
    EXPECT_EQ(0, s_nBuilt);
    ::VariantClear(&args);
    ::VariantClear(&outer);
    ::VariantClear(&inner);
}

// Without an object-information builder, an object node is answered with 0.
TEST_F(MainFrameTest, ObjectInformationWithoutBuilderShowsNothing) {
    MainFrameHost host;
    g_nClients = 1;
    IDispatch* pDict = nullptr;
    VARIANT dict = MakeDictionary({L"x"}, &pDict);
    ASSERT_NE(nullptr, pDict);
    VARIANT args = OnePair(L"dict", dict);
    FakeLog::Get().onAddEntry = [](HWND h, CLogNode* pNode) {
        PostToMain(h, UM_OBJINFO_REQUEST, reinterpret_cast<WPARAM>(FindChild(pNode, L"dict")));
        PostToMain(h, UM_CONTINUE);
    };
    EXPECT_EQ(0u, host.Trace(L"call", &args));
    ASSERT_TRUE(FakeLog::Get().WaitForCount(UM_SHOW_OBJINFO, 1));
    FakeLogEvent e{};
    FakeLog::Get().Last(UM_SHOW_OBJINFO, &e);
    EXPECT_EQ(0u, e.wParam);
    ::VariantClear(&args);
    ::VariantClear(&dict);
}

// A second UM_CONTINUE that arrives after the call has ended changes
// nothing: not the state, not the count, not the window, not the next call.
TEST_F(MainFrameTest, SecondContinueHasNoEffect) {
    MainFrameHost host;
    ASSERT_EQ(0u, host.Connect());
    FakeLog::Get().onAddEntry = [](HWND h, CLogNode*) {
        PostToMain(h, UM_CONTINUE);
        PostToMain(h, UM_CONTINUE);
    };
    EXPECT_EQ(0u, host.Trace(L"first"));
    PumpMessages(50);   // the main loop takes the second one
    EXPECT_EQ(0, host.Frame()->GetTraceState());
    EXPECT_EQ(1, g_nClients);
    EXPECT_FALSE(::IsWindowVisible(host.Hwnd()));
    FakeLog::Get().onAddEntry = [](HWND h, CLogNode*) { PostToMain(h, UM_STOP); };
    EXPECT_EQ(2u, host.Trace(L"second"));
}

// A quit that arrives while a call is held ends the call and stays for the
// main loop, with its exit code.
TEST_F(MainFrameTest, QuitDuringHeldCallIsKeptForTheMainLoop) {
    MainFrameHost host;
    g_nClients = 1;
    FakeLog::Get().onAddEntry = [](HWND, CLogNode*) {};   // the log side never answers
    ::PostQuitMessage(7);
    EXPECT_EQ(4u, host.Trace(L"held"));
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
}

// A non-zero answer to UM_ADD_ENTRY is the call's error.
TEST_F(MainFrameTest, AddEntryFailureIsTheCallsError) {
    MainFrameHost host;
    g_nClients = 1;
    FakeLog::Get().addEntryResult = 23;
    FakeLog::Get().onAddEntry = [](HWND, CLogNode*) {};
    EXPECT_EQ(23u, host.Trace(L"call"));
    EXPECT_EQ(CMainFrame::STATE_FATAL, host.Frame()->GetTraceState());
    EXPECT_EQ(std::vector<std::wstring>{kBox23}, boxes.TakeTexts());
}

// A capture abandoned by a forced stop: "Forced stop" is shown once and the
// call ends with 3; the log window is not told.
TEST_F(MainFrameTest, CaptureFailureIsShownAndReturned) {
    MainFrameHost host;
    g_nClients = 1;
    IDispatch* pDict = nullptr;
    VARIANT dict = MakeDictionary({L"x"}, &pDict);
    ASSERT_NE(nullptr, pDict);
    VARIANT args = OnePair(L"dict", dict);
    g_bForcedStop = 1;
    EXPECT_EQ(3u, host.Trace(L"call", &args));
    g_bForcedStop = 0;
    EXPECT_EQ(std::vector<std::wstring>{kBox3}, boxes.TakeTexts());
    EXPECT_EQ(0, FakeLog::Get().Count(UM_ADD_ENTRY));
    EXPECT_EQ(0, host.Frame()->GetTraceState());
    EXPECT_EQ(nullptr, host.Doc()->GetObjTable());
    ::VariantClear(&args);
    ::VariantClear(&dict);
}

// ---------------------------------------------------------------------------
// Forwards of the main form's changes.

// A window that keeps the private messages it receives.
std::vector<UINT> g_forwardsReceived;
LRESULT CALLBACK RecordForwards(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m >= WM_APP) g_forwardsReceived.push_back(m);
    return ::DefWindowProcW(h, m, w, l);
}

TEST_F(MainFrameTest, SettingChangesAreForwardedToTheLogSide) {
    struct Forward {
        UINT from;
        UINT to;
        bool bThread;
    } const kForwards[] = {
        {UM_LOGVIEW_FONT_CHANGED, UM_UPDATE_LOGVIEW_FONT, false},
        {UM_EXTRACTDIALOG_FONT_CHANGED, UM_UPDATE_EXTRACTDIALOG_FONT, false},
        {UM_RESULTVIEW_FONT_CHANGED, UM_UPDATE_RESULTVIEW_FONT, true},
        {UM_OBJINFO_FONT_CHANGED, UM_UPDATE_OBJINFO_FONT, true},
        {UM_FINDDIALOG_FONT_CHANGED, UM_UPDATE_FINDDIALOG_FONT, true},
        {UM_COLORS_CHANGED, UM_UPDATE_HIGHLIGHT, true},
    };
    {
        MainFrameHost host;
        for (const Forward& f : kForwards) {
            SCOPED_TRACE(testing::Message() << std::hex << f.from);
            PostToMain(host.Hwnd(), f.from);
            PumpMessages();
            ASSERT_TRUE(FakeLog::Get().WaitForCount(f.to, 1));
            FakeLogEvent e{};
            FakeLog::Get().Last(f.to, &e);
            EXPECT_EQ(f.bThread, e.bThread);
        }
    }
    // With no log thread these do nothing, even when a log frame window has
    // announced itself through the message map.
    MainFrameHost bare(false);
    boxes.TakeTexts();
    g_forwardsReceived.clear();
    static const ATOM kRecorder = [] {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = RecordForwards;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZvTestForwardRecorder";
        return ::RegisterClassExW(&wc);
    }();
    ASSERT_NE(0, kRecorder);
    HWND hRecorder = ::CreateWindowExW(0, L"ZvTestForwardRecorder", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, hRecorder);
    PostToMain(bare.Hwnd(), UM_LOGVIEW_CREATED, reinterpret_cast<WPARAM>(hRecorder));
    PumpMessages();
    ASSERT_EQ(hRecorder, bare.Frame()->GetLogFrameWnd());
    for (const Forward& f : kForwards) PostToMain(bare.Hwnd(), f.from);
    PumpMessages(50);
    EXPECT_TRUE(g_forwardsReceived.empty());
    ::DestroyWindow(hRecorder);
}

// ---------------------------------------------------------------------------
// The settings store and the main window's rectangle.

TEST_F(MainFrameTest, SettingsLoadedWithTheFrameAndSavedWhenItGoes) {
    AfxGetApp()->WriteProfileInt(L"Settings", L"NestLevel", 7);
    RECT rcNone{};
    AfxGetApp()->WriteProfileBinary(L"Window", L"Main", &rcNone, sizeof(rcNone));
    {
        MainFrameHost host;
        EXPECT_EQ(&host.Frame()->GetSettings(), &CAppSettings::Get());
        EXPECT_EQ(7, CAppSettings::Get().Settings.NestLevel);
        CAppSettings::Get().Settings.NestLevel = 9;
        EXPECT_EQ(7u, AfxGetApp()->GetProfileInt(L"Settings", L"NestLevel", 0));
        ::MoveWindow(host.Hwnd(), 40, 50, 400, 300, TRUE);
    }
    EXPECT_EQ(9u, AfxGetApp()->GetProfileInt(L"Settings", L"NestLevel", 0));
    BYTE* pData = nullptr;
    UINT nBytes = 0;
    ASSERT_TRUE(AfxGetApp()->GetProfileBinary(L"Window", L"Main", &pData, &nBytes));
    ASSERT_EQ(sizeof(RECT), nBytes);
    RECT rc = *reinterpret_cast<RECT*>(pData);
    delete[] pData;
    EXPECT_EQ(40, rc.left);
    EXPECT_EQ(50, rc.top);
    EXPECT_EQ(440, rc.right);
    EXPECT_EQ(350, rc.bottom);

    // The next main window opens on that rectangle.
    MainFrameHost again;
    RECT now{};
    ::GetWindowRect(again.Hwnd(), &now);
    EXPECT_EQ(40, now.left);
    EXPECT_EQ(50, now.top);
    EXPECT_EQ(400, now.right - now.left);
    AfxGetApp()->WriteProfileInt(L"Settings", L"NestLevel", 4);
}

// Hidden, the main window keeps its rectangle; shown again it goes back there.
TEST_F(MainFrameTest, HiddenWindowKeepsItsRectangle) {
    MainFrameHost host;
    HWND h = host.Hwnd();
    ::MoveWindow(h, 60, 70, 420, 320, TRUE);
    host.Connect();
    ASSERT_FALSE(::IsWindowVisible(h));
    const RECT& rc = host.Frame()->GetSettings().Window.Main;
    EXPECT_EQ(60, rc.left);
    EXPECT_EQ(70, rc.top);
    ::MoveWindow(h, 10, 10, 200, 200, FALSE);   // moved while hidden
    host.Disconnect();
    ASSERT_TRUE(::IsWindowVisible(h));
    RECT now{};
    ::GetWindowRect(h, &now);
    EXPECT_EQ(60, now.left);
    EXPECT_EQ(70, now.top);
    EXPECT_EQ(420, now.right - now.left);
}

// A request to release the memory that was made before the log window was
// handed another call keeps the pools: that call is shown there.
TEST_F(MainFrameTest, AReleaseRequestOlderThanTheLastHandedCallKeepsTheLog) {
    ResetGlobals();
    MainFrameHost host;
    ASSERT_EQ(0u, host.Connect());
    EXPECT_EQ(1, g_nLiveClients);
    ASSERT_EQ(0u, host.Trace(L"before"));
    const WPARAM nSeen = host.Frame()->GetHandedCalls();
    ASSERT_EQ(0u, host.Trace(L"after the request"));
    ASSERT_EQ(0u, host.Disconnect());
    EXPECT_EQ(0, g_nLiveClients);

    PostToMain(host.Hwnd(), UM_RELEASE_MEMORY, nSeen);
    PumpMessages();
    ASSERT_NE(nullptr, host.Doc()->GetTail());
    EXPECT_STREQ(L"after the request", static_cast<LPCOLESTR>(host.Doc()->GetTail()->m_pEntry->m_name));
    EXPECT_GT(GetNodePoolState().nNodeBlocks, 0);

    PostToMain(host.Hwnd(), UM_RELEASE_MEMORY, host.Frame()->GetHandedCalls());
    PumpMessages();
    EXPECT_EQ(nullptr, host.Doc()->GetHead());
    EXPECT_EQ(0, GetNodePoolState().nNodeBlocks);
}

}  // namespace
