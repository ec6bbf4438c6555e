// Requests that COM delivers to the main thread while a call calls out to a
// client's objects (its capture, or the object information of a held call):
// they run nested inside that call and must not take away what it still uses.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <functional>

#include "mainframe_fakes.h"
#include "server/capture/ObjTable.h"
#include "server/core/Globals.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

// A client object without type information whose GetTypeInfo (which the
// capture calls when it records the object) runs a hook once.
class CHookDispatch : public IDispatch {
public:
    std::function<void()> onGetTypeInfo;

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
    EXPECT_EQ(pHeld, host.Doc()->GetTail());
    EXPECT_EQ(CMainFrame::STATE_READY, host.Frame()->GetTraceState());
    EXPECT_TRUE(boxes.Texts().empty());

    ::VariantClear(&args);
    pObj->Release();
}

// A client connects while a call that has no log window is captured: the
// log is started anew, but the pools the capture writes into stay, and the
// call goes to the new log window.
TEST_F(NestedDeliveryTest, ConnectDuringCaptureKeepsThePools) {
    MainFrameHost host;
    g_nClients = 1;
    host.Frame()->GetLogThread()->PostThreadMessage(FAKE_CLOSE_LOGWINDOW, 0, 0);
    for (ULONGLONG end = ::GetTickCount64() + 5000;
         host.Frame()->GetTraceState() != CMainFrame::STATE_NO_LOGWINDOW && ::GetTickCount64() < end;)
        PumpMessages(5);
    ASSERT_EQ(CMainFrame::STATE_NO_LOGWINDOW, host.Frame()->GetTraceState());

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
    EXPECT_TRUE(boxes.Texts().empty());

    ::VariantClear(&args);
    pObj->Release();
}

}  // namespace
