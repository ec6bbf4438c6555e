// Requests that COM delivers to the main thread while a call calls out to a
// client's objects (its capture, the object information of a held call, the
// release of its objects at its end): they run nested inside that call, must
// not take away what it still uses, and get what their own state gives.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <string>
#include <vector>

#include "mainframe_fakes.h"
#include "server/capture/ObjTable.h"
#include "server/core/Globals.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

// A client object without type information whose GetTypeInfo (which the
// capture calls when it records the object) runs a hook once, and so does
// its next Release after that hook was set (the call's table letting go).
class CHookDispatch final : public IDispatch {
public:
    std::function<void()> onGetTypeInfo;
    std::function<void()> onRelease;

    LONG Refs() const { return m_cRef; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (InlineIsEqualGUID(riid, IID_IUnknown) || InlineIsEqualGUID(riid, IID_IDispatch)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_cRef); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = --m_cRef;
        if (onRelease) {
            auto hook = std::move(onRelease);
            onRelease = nullptr;
            hook();
        }
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
        if (pctinfo) *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** pp) override {
        if (pp) *pp = nullptr;
        if (onGetTypeInfo) {
            auto hook = std::move(onGetTypeInfo);
            onGetTypeInfo = nullptr;
            hook();
        }
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    LONG m_cRef = 1;
};

// The pair array ("obj", pDisp) as a client passes it.
VARIANT ObjectPair(IDispatch* pDisp) {
    SAFEARRAY* psa = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
    VARIANT* pv = nullptr;
    ::SafeArrayAccessData(psa, reinterpret_cast<void**>(&pv));
    pv[0].vt = VT_BSTR;
    pv[0].bstrVal = ::SysAllocString(L"obj");
    pv[1].vt = VT_DISPATCH;
    pv[1].pdispVal = pDisp;
    pDisp->AddRef();
    ::SafeArrayUnaccessData(psa);
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = psa;
    return v;
}

CLogNode* FindObjectNode(CLogNode* pNode) {
    for (CLogNode* p = pNode; p; p = p->m_pNext) {
        if (p->m_pEntry && p->m_pEntry->Kind() == LOGK_OBJECT) return p;
        if (CLogNode* q = FindObjectNode(p->m_pChildren)) return q;
    }
    return nullptr;
}

std::vector<std::wstring> MasterLabels(CZavetraDoc* pDoc) {
    std::vector<std::wstring> labels;
    for (CLogNode* p = pDoc->GetHead(); p; p = p->m_pNext) labels.push_back(p->m_pEntry->m_name.m_str);
    return labels;
}

// The user closes the log window outside a call; the frame hears of it.
void CloseLogWindow(MainFrameHost& host) {
    host.Frame()->GetLogThread()->PostThreadMessage(FAKE_CLOSE_LOGWINDOW, 0, 0);
    for (ULONGLONG end = ::GetTickCount64() + 5000;
         host.Frame()->GetTraceState() != CMainFrame::STATE_NO_LOGWINDOW && ::GetTickCount64() < end;)
        PumpMessages(5);
    ASSERT_EQ(CMainFrame::STATE_NO_LOGWINDOW, host.Frame()->GetTraceState());
}

class NestedDeliveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGlobals();
        FakeLog::Get().Reset();
        CMainFrame::s_pObjInfoBuilder = nullptr;
    }
    void TearDown() override {
        CMainFrame::s_pObjInfoBuilder = nullptr;
        FakeLog::Get().Reset();
        ResetGlobals();
    }
    BoxWatcher boxes;
};

MainFrameHost* s_pHost = nullptr;
CObjTable* s_pTableBefore = nullptr;
CObjTable* s_pTableAfter = nullptr;
UINT s_nNestedCode = 0;
int s_nBuilt = 0;

// Another client's call arrives while object information reads the held
// call's object: it cannot be captured without destroying the held call's
// table under that read, and the paused log is not given a second call.
TEST_F(NestedDeliveryTest, CallArrivingWhileHeldCallIsReadIsRefused) {
    static const CMainFrame::ObjInfoBuilder kBuilder = {
        [](CObjRecord*) -> CObjInfo* {
            s_pTableBefore = s_pHost->Doc()->GetObjTable();
            s_nNestedCode = s_pHost->Trace(L"nested");
            s_pTableAfter = s_pHost->Doc()->GetObjTable();
            ++s_nBuilt;
            return nullptr;
        },
        [](CObjInfo*) {}};
    s_pTableBefore = s_pTableAfter = nullptr;
    s_nNestedCode = 0;
    s_nBuilt = 0;
    CMainFrame::s_pObjInfoBuilder = &kBuilder;

    MainFrameHost host;
    s_pHost = &host;
    g_nClients = 2;
    auto* pObj = new CHookDispatch;
    VARIANT args = ObjectPair(pObj);

    CLogNode* pHeld = nullptr;
    FakeLog::Get().onAddEntry = [&](HWND h, CLogNode* pNode) {
        if (!pHeld) {
            pHeld = pNode;
            PostToMain(h, UM_OBJINFO_REQUEST, reinterpret_cast<WPARAM>(FindObjectNode(pNode->m_pChildren)));
        }
        PostToMain(h, UM_CONTINUE);
    };
    EXPECT_EQ(0u, host.Trace(L"held", &args));
    s_pHost = nullptr;

    EXPECT_EQ(1, s_nBuilt);
    ASSERT_NE(nullptr, s_pTableBefore);
    EXPECT_EQ(s_pTableBefore, s_pTableAfter) << "the held call's table was taken away";
    EXPECT_EQ(static_cast<UINT>(ZV_ERR_STOPPED), s_nNestedCode);
    EXPECT_EQ(1, FakeLog::Get().Count(UM_ADD_ENTRY));
    // The refused call's line is in the list all the same, behind the held one.
    EXPECT_EQ((std::vector<std::wstring>{L"held", L"nested"}), MasterLabels(host.Doc()));
    EXPECT_EQ(host.Doc()->GetTail(), pHeld->m_pNext);
    EXPECT_EQ(nullptr, host.Doc()->GetTail()->m_pChildren);
    EXPECT_EQ(CMainFrame::STATE_READY, host.Frame()->GetTraceState());
    EXPECT_TRUE(boxes.Texts().empty());

    ::VariantClear(&args);
    pObj->Release();
}

// A client connects while a call that has no log window is captured: the
// log is started anew, but the pools the capture writes into stay, and the
// call goes to the new log window. Its nodes are shown there, so the pools
// outlive the call too, and go at the next emptying.
TEST_F(NestedDeliveryTest, ConnectDuringCaptureKeepsThePools) {
    MainFrameHost host;
    g_nClients = 1;
    CloseLogWindow(host);

    auto* pObj = new CHookDispatch;
    VARIANT args = ObjectPair(pObj);
    UINT nConnect = 99;
    int nBlocksAfterConnect = -1;
    pObj->onGetTypeInfo = [&] {
        nConnect = host.Connect();
        nBlocksAfterConnect = GetNodePoolState().nNodeBlocks;
    };
    CLogNode* pShown = nullptr;
    FakeLog::Get().onAddEntry = [&](HWND h, CLogNode* pNode) {
        pShown = pNode;
        PostToMain(h, UM_CONTINUE);
    };
    const UINT nCode = host.Trace(L"during", &args);

    EXPECT_EQ(0u, nConnect);
    EXPECT_GT(nBlocksAfterConnect, 0) << "the node pools were released under the capture";
    EXPECT_EQ(0u, nCode);
    EXPECT_EQ(CMainFrame::STATE_READY, host.Frame()->GetTraceState());
    ASSERT_NE(nullptr, pShown);
    EXPECT_EQ(pShown, host.Doc()->GetHead());
    EXPECT_EQ(pShown, host.Doc()->GetTail());
    EXPECT_STREQ(L"during", static_cast<LPCOLESTR>(pShown->m_pEntry->m_name));
    EXPECT_NE(nullptr, FindObjectNode(pShown->m_pChildren));
    EXPECT_GT(GetNodePoolState().nNodeBlocks, 0) << "the pools went under the shown call";

    PostToMain(host.Hwnd(), UM_RELEASE_MEMORY, host.Frame()->GetHandedCalls());
    PumpMessages();
    EXPECT_EQ(nullptr, host.Doc()->GetHead());
    EXPECT_EQ(0, GetNodePoolState().nNodeBlocks) << "the pools outlived the next emptying";
    EXPECT_TRUE(boxes.Texts().empty());

    ::VariantClear(&args);
    pObj->Release();
}

// How a call ends whose table, when it is destroyed, lets another client's
// call in (the object's Release delivers it).
enum class End {
    Continue,      // the log side lets it go on
    StopInWait,    // the log side stops it
    Stopped,       // refused in the stopped state
    WindowGone,    // refused: the log window has gone without a word
    ErrorInWait,   // the log side reports 23
    AddEntryFails  // the hand-over fails with 23
};

// What comes in while the table is released.
enum class In {
    Call,      // another client's call
    Clients    // the last client leaves and a new one connects
};

struct ReleaseCase {
    const char* name;
    End end;
    In in;
    UINT nOuter;        // the call's code
    UINT nNested;       // the code of the call (or the connect) that came in during the release
    int nStateAfter;
    int nHandedOver;    // calls the log window was told of
    size_t nBoxes;      // boxes with "Error(Fatal) Insert_TreeItem ..."
};

const ReleaseCase kReleaseCases[] = {
    {"finished", End::Continue, In::Call, 0, 0, CMainFrame::STATE_READY, 2, 0},
    {"stopped in the wait", End::StopInWait, In::Call, 2, 2, CMainFrame::STATE_STOPPED, 1, 0},
    {"refused while stopped", End::Stopped, In::Call, 2, 2, CMainFrame::STATE_STOPPED, 0, 0},
    {"refused without log window", End::WindowGone, In::Call, 4, 4, CMainFrame::STATE_NO_LOGWINDOW, 0, 0},
    {"error 23 in the wait", End::ErrorInWait, In::Call, 23, 23, CMainFrame::STATE_FATAL, 1, 1},
    // The state is set after the table has gone: the nested call still finds it ready.
    {"hand-over fails", End::AddEntryFails, In::Call, 23, 0, CMainFrame::STATE_FATAL, 2, 1},
    // With a log window the log stays through the client leaving and coming.
    {"finished, clients come and go", End::Continue, In::Clients, 0, 0, CMainFrame::STATE_READY, 1, 0},
    {"error 23 in the wait, clients come and go", End::ErrorInWait, In::Clients, 23, 0, CMainFrame::STATE_FATAL, 1,
     1},
};

// Releasing a call's objects is no read of them: a call that comes in
// meanwhile is captured and treated by the state it finds, its line joins
// the list, and the table being destroyed is destroyed once. Clients that
// leave and come meanwhile are counted, and the log side hears of them.
TEST_F(NestedDeliveryTest, CallArrivingWhileATableIsReleased) {
    for (const ReleaseCase& c : kReleaseCases) {
        SCOPED_TRACE(c.name);
        FakeLog::Get().Reset();
        ResetGlobals();
        MainFrameHost host;
        g_nClients = 1;
        boxes.TakeTexts();
        if (c.end == End::Stopped) host.Frame()->SetTraceState(CMainFrame::STATE_STOPPED);
        if (c.end == End::WindowGone) {
            // Gone before the main thread has heard of it.
            host.Frame()->GetLogThread()->PostThreadMessage(FAKE_CLOSE_LOGWINDOW, 0, 0);
            for (ULONGLONG end = ::GetTickCount64() + 5000; FakeLog::Get().hLogWindow && ::GetTickCount64() < end;)
                ::Sleep(5);
            ASSERT_EQ(nullptr, FakeLog::Get().hLogWindow.load());
        }

        auto* pObj = new CHookDispatch;
        VARIANT args = ObjectPair(pObj);
        UINT nNested = 99, nDisconnect = 99;
        int nObjRefsInside = -1;
        pObj->onGetTypeInfo = [&] {
            // Captured: the next release is the table's.
            pObj->onRelease = [&] {
                nObjRefsInside = pObj->Refs();
                if (c.in == In::Call) {
                    nNested = host.Trace(L"nested");
                } else {
                    nDisconnect = host.Disconnect();
                    nNested = host.Connect();
                }
            };
        };
        bool bFirst = true;
        FakeLog::Get().onAddEntry = [&](HWND h, CLogNode*) {
            const bool bOuter = bFirst;
            bFirst = false;
            FakeLog::Get().addEntryResult = 0;
            if (bOuter && c.end == End::StopInWait) PostToMain(h, UM_STOP);
            else if (bOuter && c.end == End::ErrorInWait) PostToMain(h, UM_ERROR_REPORT, ZV_ERR_INSERT_TREEITEM);
            else if (bOuter && c.end == End::AddEntryFails) FakeLog::Get().addEntryResult = ZV_ERR_INSERT_TREEITEM;
            else PostToMain(h, UM_CONTINUE);
        };
        EXPECT_EQ(c.nOuter, host.Trace(L"outer", &args));

        EXPECT_EQ(2, nObjRefsInside) << "the table's release did not deliver the call";
        EXPECT_EQ(c.nNested, nNested);
        EXPECT_EQ(2, pObj->Refs()) << "the table released the object more than once";
        if (c.in == In::Call) {
            EXPECT_EQ((std::vector<std::wstring>{L"outer", L"nested"}), MasterLabels(host.Doc()));
        } else {
            EXPECT_EQ(0u, nDisconnect);
            EXPECT_EQ(std::vector<std::wstring>{L"outer"}, MasterLabels(host.Doc()));
            EXPECT_EQ(1, g_nClients);
            EXPECT_FALSE(::IsWindowVisible(host.Hwnd()));
            EXPECT_EQ(1, FakeLog::Get().Count(UM_DISCONNECTED));
            EXPECT_EQ(1, FakeLog::Get().Count(UM_CONNECTED));
        }
        EXPECT_EQ(nullptr, host.Doc()->GetObjTable());
        EXPECT_EQ(c.nStateAfter, host.Frame()->GetTraceState());
        EXPECT_EQ(c.nHandedOver, FakeLog::Get().Count(UM_ADD_ENTRY));
        std::vector<std::wstring> texts = boxes.TakeTexts();
        EXPECT_EQ(c.nBoxes, texts.size());
        for (const std::wstring& t : texts) EXPECT_EQ(L"Error(Fatal) Insert_TreeItem\nterminate procee", t);

        ::VariantClear(&args);
        pObj->Release();
    }
}

// The last client leaves (and a new one comes) while a refused call is
// captured or its objects are released: the log is emptied at once, the
// pools stay while the call still runs and go when it has ended, with the
// call's own line, which came before the emptying.
struct EmptyingCase {
    const char* name;
    bool bDuringCapture;   // else while the table is released
    bool bConnectAgain;    // a new client follows: a new log thread
    int nThreads;          // log threads started in all
    int nStateAfter;
    UINT nNext;            // the code of the next call
};

const EmptyingCase kEmptyingCases[] = {
    {"while the objects are released", false, true, 2, CMainFrame::STATE_READY, 0},
    {"while the call is captured", true, false, 1, CMainFrame::STATE_NO_LOGWINDOW, 4},
};

TEST_F(NestedDeliveryTest, EmptyingInsideACallFreesThePoolsWhenTheCallEnds) {
    for (const EmptyingCase& c : kEmptyingCases) {
        SCOPED_TRACE(c.name);
        FakeLog::Get().Reset();
        ResetGlobals();
        MainFrameHost host;
        g_nClients = 1;
        CloseLogWindow(host);
        boxes.TakeTexts();

        auto* pObj = new CHookDispatch;
        VARIANT args = ObjectPair(pObj);
        UINT nDisconnect = 99, nConnect = 0;
        int nBlocksInside = -1;
        auto leaveAndCome = [&] {
            nDisconnect = host.Disconnect();   // the last client: the log is emptied
            if (c.bConnectAgain) nConnect = host.Connect();
            nBlocksInside = GetNodePoolState().nNodeBlocks;
        };
        pObj->onGetTypeInfo = [&] {
            if (c.bDuringCapture) leaveAndCome();
            else pObj->onRelease = leaveAndCome;
        };
        EXPECT_EQ(static_cast<UINT>(ZV_ERR_NO_LOGWINDOW), host.Trace(L"refused", &args));

        EXPECT_EQ(0u, nDisconnect);
        EXPECT_EQ(0u, nConnect);
        EXPECT_GT(nBlocksInside, 0) << "the node pools were released under the call";
        EXPECT_EQ(0, GetNodePoolState().nNodeBlocks) << "the node pools were kept after the call";
        EXPECT_EQ(nullptr, host.Doc()->GetHead());
        EXPECT_EQ(nullptr, host.Doc()->GetTail());
        EXPECT_EQ(2, pObj->Refs());
        EXPECT_EQ(c.nStateAfter, host.Frame()->GetTraceState());
        EXPECT_EQ(c.nThreads, FakeLog::Get().threadsStarted.load());
        EXPECT_TRUE(boxes.Texts().empty());

        // The next call starts a new list in new pools.
        EXPECT_EQ(c.nNext, host.Trace(L"next"));
        EXPECT_EQ(std::vector<std::wstring>{L"next"}, MasterLabels(host.Doc()));

        ::VariantClear(&args);
        pObj->Release();
    }
}

}  // namespace
