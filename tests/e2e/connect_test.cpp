// The Connect object in this process, against a stand-in main window that
// records what each call hands over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/App.h"
#include "server/app/Connect.h"
#include "server/core/Globals.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"

namespace {

struct CallLine {
    std::wstring name;
    DWORD flags;
    DWORD key;
};

class CRecorder : public CWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case UM_CLIENT_CONNECT:
            ++connects;
            return connectCode;
        case UM_CLIENT_DISCONNECT:
            ++disconnects;
            return 0;
        case UM_TRACE: {
            auto* node = reinterpret_cast<CLogNode*>(wParam);
            const VARIANT* args = reinterpret_cast<const VARIANT*>(lParam);
            lastArgType = V_VT(args);
            calls.push_back({std::wstring(node->m_pEntry->m_name.m_str),
                             node->m_pEntry->m_flags, static_cast<DWORD>(node->m_pEntry->m_key)});
            FreeNodeTree(node);
            if (holdMs) Sleep(holdMs);
            return traceCode;
        }
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    int connects = 0, disconnects = 0;
    LRESULT connectCode = 0, traceCode = 0;
    DWORD holdMs = 0;
    VARTYPE lastArgType = VT_EMPTY;
    std::vector<CallLine> calls;
};

class ConnectObject : public ::testing::Test {
protected:
    void SetUp() override {
        g_nClientId = 0;
        ASSERT_TRUE(recorder.CreateEx(0, nullptr, L"recorder", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
        AfxGetThread()->m_pMainWnd = &recorder;
    }
    void TearDown() override {
        AfxGetThread()->m_pMainWnd = nullptr;
        recorder.DestroyWindow();
    }
    IConnect* Create() {
        IConnect* c = nullptr;
        EXPECT_EQ(S_OK, CConnect::CreateInstance(nullptr, &c));
        return c;
    }
    CRecorder recorder;
};

TEST_F(ConnectObject, CallLinesCarryLabelClientIdKindAndBreak) {
    IConnect* c = Create();
    IConnect* c2 = Create();
    ASSERT_TRUE(c && c2);
    EXPECT_EQ(2, recorder.connects);
    BSTR label = SysAllocString(L"label");
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = 5;
    EXPECT_EQ(S_OK, c->Trace(label, 0, v));
    EXPECT_EQ(S_OK, c->Trace(label, 1, v));
    EXPECT_EQ(S_OK, c->Trace(label, -1, v));
    EXPECT_EQ(S_OK, c->Trace(label, 7, v));
    EXPECT_EQ(S_OK, c->Tr(nullptr, v));
    EXPECT_EQ(S_OK, c2->Br(label, v));
    EXPECT_EQ(VT_I4, recorder.lastArgType);
    SysFreeString(label);

    const DWORD call = LOGK_CALL << LOGF_KIND_SHIFT;
    struct { const wchar_t* name; DWORD flags; } expected[] = {
        {L"label", call | 1}, {L"label", call | 1 | LOGF_BREAK}, {L"label", call | 1 | LOGF_BREAK},
        {L"label", call | 1 | LOGF_BREAK}, {L"", call | 1}, {L"label", call | 2 | LOGF_BREAK},
    };
    ASSERT_EQ(6u, recorder.calls.size());
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(expected[i].name, recorder.calls[i].name) << i;
        EXPECT_EQ(expected[i].flags, recorder.calls[i].flags) << i;
    }
    c->Release();
    EXPECT_EQ(1, recorder.disconnects);
    c2->Release();
    EXPECT_EQ(2, recorder.disconnects);
}

TEST_F(ConnectObject, ElapsedTimeLeavesOutTheTimeSpentInsideTheProgram) {
    IConnect* c = Create();
    ASSERT_TRUE(c);
    VARIANT v;
    VariantInit(&v);
    Sleep(200);
    recorder.holdMs = 600;  // a call held at a break
    EXPECT_EQ(S_OK, c->Tr(nullptr, v));
    recorder.holdMs = 0;
    EXPECT_EQ(S_OK, c->Tr(nullptr, v));
    ASSERT_EQ(2u, recorder.calls.size());
    EXPECT_GE(recorder.calls[0].key, 100u);
    EXPECT_LT(recorder.calls[0].key, 550u);
    // The held 600 ms are not part of the second call's elapsed time.
    EXPECT_LT(recorder.calls[1].key - recorder.calls[0].key, 300u);
    c->Release();
}

TEST_F(ConnectObject, FrameCodesBecomeHResults) {
    IConnect* c = Create();
    ASSERT_TRUE(c);
    VARIANT v;
    VariantInit(&v);
    struct { LRESULT code; HRESULT hr; } table[] = {
        {0, S_OK}, {2, RPC_E_DISCONNECTED}, {4, RPC_E_DISCONNECTED}, {6, E_OUTOFMEMORY},
        {7, E_OUTOFMEMORY}, {23, RPC_E_DISCONNECTED},
    };
    for (const auto& row : table) {
        recorder.traceCode = row.code;
        EXPECT_EQ(row.hr, c->Tr(nullptr, v)) << row.code;
    }
    recorder.traceCode = 0;
    // Without a main window a call is refused without a message.
    AfxGetThread()->m_pMainWnd = nullptr;
    EXPECT_EQ(RPC_E_DISCONNECTED, c->Tr(nullptr, v));
    AfxGetThread()->m_pMainWnd = &recorder;
    c->Release();
}

TEST_F(ConnectObject, ClientIdsAreNotReused) {
    for (int i = 1; i <= 3; ++i) {
        IConnect* c = Create();
        ASSERT_TRUE(c);
        VARIANT v;
        VariantInit(&v);
        c->Tr(nullptr, v);
        c->Release();
        EXPECT_EQ(static_cast<DWORD>(i), recorder.calls.back().flags & LOGF_CLIENT_MASK);
    }
    EXPECT_EQ(3, g_nClientId);
    EXPECT_EQ(3, recorder.disconnects);
}

TEST_F(ConnectObject, RefusedByTheMainFrameStillSaysGoodbye) {
    // A state code that shows no message: the creation fails with its
    // HRESULT and the refused object still tells the frame it has gone.
    recorder.connectCode = 4;
    IConnect* c = nullptr;
    EXPECT_EQ(RPC_E_DISCONNECTED, CConnect::CreateInstance(nullptr, &c));
    EXPECT_EQ(nullptr, c);
    EXPECT_EQ(1, recorder.connects);
    EXPECT_EQ(1, recorder.disconnects);
}

}  // namespace
