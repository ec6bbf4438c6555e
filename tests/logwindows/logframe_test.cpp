// The log frame's trace state: every event against every state it can meet,
// with the flags it leaves, what it posts to the main frame, whether the
// view takes input and which Trace buttons are offered.
#include <gtest/gtest.h>


#include "logwin_host.h"

#include <commctrl.h>
#include "resources/LogWindowRes.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"

namespace {

enum Event { ADD_PLAIN, ADD_BREAK, STOP, BREAK, RESTART, STEPOVER, CONNECTED, DISCONNECTED };
const char* const kEventNames[] = {"add", "add with break bit", "Stop", "Break",
                                   "ReStart", "StepOver", "connected", "disconnected"};

struct Flags {
    bool s, p, b;
    bool operator==(const Flags& o) const { return s == o.s && p == o.p && b == o.b; }
};

struct Row {
    Flags before;
    LONG clients;  // g_nClients while the event is handled
    Event event;
    Flags after;
    UINT posted;    // the one message to the main frame, 0 for none
    bool forced;    // g_bForcedStop afterwards
    bool viewEnabled;
    // Buttons: Stop, Break, ReStart, StepOver, Release Memory.
    bool stop, brk, restart, stepover, release;
};

constexpr Flags ___{false, false, false}, S__{true, false, false}, _P_{false, true, false},
    __B{false, false, true}, _PB{false, true, true}, SPB{true, true, true};

// Times and orders as the main frame sees them; clients stay connected
// unless the row says 0.
const Row kRows[] = {
    // before clients event      after posted            forced view   stop   brk    rst    step   rel
    {___, 1, ADD_PLAIN,    ___, UM_CONTINUE,    false, false, true,  true,  false, false, false},
    {__B, 1, ADD_PLAIN,    _PB, 0,              false, true,  true,  false, true,  true,  false},
    {___, 1, ADD_BREAK,    _P_, 0,              false, true,  true,  false, true,  true,  false},
    {S__, 1, ADD_BREAK,    S__, UM_STOP,        false, false, true,  true,  false, false, false},
    {S__, 1, STOP,         S__, UM_FORCED_STOP, true,  false, true,  true,  false, false, false},
    {_P_, 1, STOP,         S__, UM_STOP,        false, false, true,  true,  false, false, false},
    {___, 1, STOP,         S__, 0,              false, false, true,  true,  false, false, false},
    {_P_, 1, BREAK,        _PB, 0,              false, true,  true,  false, true,  true,  false},
    {___, 1, BREAK,        __B, 0,              false, false, true,  true,  false, false, false},
    {_PB, 1, RESTART,      ___, UM_RESTART,     false, false, true,  true,  false, false, false},
    {__B, 1, RESTART,      __B, 0,              false, false, true,  true,  false, false, false},
    {_P_, 1, STEPOVER,     __B, UM_CONTINUE,    false, false, true,  true,  false, false, false},
    {___, 1, STEPOVER,     ___, 0,              false, false, true,  true,  false, false, false},
    {_P_, 2, CONNECTED,    _P_, 0,              false, true,  true,  false, true,  true,  false},
    {SPB, 0, DISCONNECTED, ___, 0,              false, true,  false, false, false, false, true},
    {SPB, 1, DISCONNECTED, ___, 0,              false, false, true,  true,  false, false, false},
};

class LogFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_nClients = 0;
        g_bForcedStop = 0;
        m_host = std::make_unique<LogHost>();
        ASSERT_NE(nullptr, m_host->LogFrame());
        m_hLog = m_host->LogWnd();
        // What the frame posts to the main frame comes to the recorder.
        m_host->OnLog([&] { m_host->LogFrame()->SetMainWnd(m_rec.Hwnd()); });
    }
    void TearDown() override {
        g_nClients = 0;
        g_bForcedStop = 0;
        m_host.reset();
    }

    void Apply(Event e) {
        switch (e) {
        case ADD_PLAIN:
        case ADD_BREAK:
            m_pLast = LinkAfter(m_pLast, MakeCall(L"call", 1, 10, e == ADD_BREAK));
            ::SendMessageW(m_hLog, UM_ADD_ENTRY, reinterpret_cast<WPARAM>(m_pLast), 0);
            break;
        case STOP:         ::SendMessageW(m_hLog, WM_COMMAND, ID_TRACE_STOP, 0); break;
        case BREAK:        ::SendMessageW(m_hLog, WM_COMMAND, ID_TRACE_BREAK, 0); break;
        case RESTART:      ::SendMessageW(m_hLog, WM_COMMAND, ID_TRACE_RESTART, 0); break;
        case STEPOVER:     ::SendMessageW(m_hLog, WM_COMMAND, ID_TRACE_STEPOVER, 0); break;
        case CONNECTED:    ::SendMessageW(m_hLog, UM_CONNECTED, 0, 0); break;
        case DISCONNECTED: ::SendMessageW(m_hLog, UM_DISCONNECTED, 0, 0); break;
        }
    }

    bool Button(UINT id) {
        HWND hBar = m_host->LogFrame()->GetToolBar().m_hWnd;
        return ::SendMessageW(hBar, TB_ISBUTTONENABLED, id, 0) != 0;
    }

    std::unique_ptr<LogHost> m_host;
    Recorder m_rec;
    HWND m_hLog = nullptr;
    CLogNode* m_pLast = nullptr;
};

TEST_F(LogFrameTest, EveryEventInEveryStateGivesItsFlagsMessageViewAndButtons) {
    CLogTreeFrame* pFrame = m_host->LogFrame();
    HWND hView = pFrame->GetLogView()->m_hWnd;
    for (size_t i = 0; i < std::size(kRows); ++i) {
        const Row& r = kRows[i];
        SCOPED_TRACE(testing::Message() << "row " << i << ": " << kEventNames[r.event]);
        g_bForcedStop = 0;
        g_nClients = r.clients;
        m_host->OnLog([&] {
            pFrame->SetTraceFlags(r.before.s, r.before.p, r.before.b);
            pFrame->ApplyViewRule();
        });
        m_rec.Take();

        Apply(r.event);

        Flags after{pFrame->IsStopRequested(), pFrame->IsPaused(), pFrame->IsBreakRequested()};
        EXPECT_TRUE(r.after == after) << "flags S P B: " << after.s << after.p << after.b;
        std::vector<UINT> posted = m_rec.Take();
        std::vector<UINT> expected;
        if (r.posted) expected.push_back(r.posted);
        EXPECT_EQ(expected, posted);
        EXPECT_EQ(r.forced, g_bForcedStop != 0);
        EXPECT_EQ(r.viewEnabled, ::IsWindowEnabled(hView) != FALSE);

        // The idle update sets the buttons by the same rules.
        ::SendMessageW(m_hLog, WM_IDLEUPDATECMDUI, TRUE, 0);
        EXPECT_EQ(r.stop, Button(ID_TRACE_STOP));
        EXPECT_EQ(r.brk, Button(ID_TRACE_BREAK));
        EXPECT_EQ(r.restart, Button(ID_TRACE_RESTART));
        EXPECT_EQ(r.stepover, Button(ID_TRACE_STEPOVER));
        EXPECT_EQ(r.release, Button(ID_TRACE_RELEASEMEMORY));
    }
}

TEST_F(LogFrameTest, CommandsSetTheButtonsAtOnce) {
    // Without any idle update in between: Break held off the Break button,
    // a client leaving offers Release Memory.
    g_nClients = 1;
    ::SendMessageW(m_hLog, UM_CONNECTED, 0, 0);
    EXPECT_TRUE(Button(ID_TRACE_BREAK));
    EXPECT_FALSE(Button(ID_TRACE_RELEASEMEMORY));
    g_nClients = 0;
    ::SendMessageW(m_hLog, UM_DISCONNECTED, 0, 0);
    EXPECT_FALSE(Button(ID_TRACE_STOP));
    EXPECT_TRUE(Button(ID_TRACE_RELEASEMEMORY));
}

TEST_F(LogFrameTest, AcceleratorOfADisabledCommandDoesNothing) {
    // Ctrl+B arrives as an accelerator command while no client is connected.
    g_nClients = 0;
    ::SendMessageW(m_hLog, WM_COMMAND, MAKEWPARAM(ID_TRACE_BREAK, 1), 0);
    EXPECT_FALSE(m_host->LogFrame()->IsBreakRequested());
    g_nClients = 1;
    ::SendMessageW(m_hLog, WM_COMMAND, MAKEWPARAM(ID_TRACE_BREAK, 1), 0);
    EXPECT_TRUE(m_host->LogFrame()->IsBreakRequested());
}

TEST_F(LogFrameTest, MemberRequestsReachTheMainFrameOnlyDuringABreak) {
    CLogNode* pCall = MakeCall(L"held", 1, 5, false, 1, true);
    for (bool bPaused : {false, true}) {
        SCOPED_TRACE(bPaused ? "paused" : "not paused");
        m_host->OnLog([&] { m_host->LogFrame()->SetTraceFlags(false, bPaused, false); });
        m_rec.Take();
        ::SendMessageW(m_hLog, UM_EXPAND_OBJECT, reinterpret_cast<WPARAM>(pCall), 77);
        PumpFor(0);
        if (!bPaused) {
            EXPECT_TRUE(m_rec.m_msgs.empty());
            continue;
        }
        ASSERT_EQ(1u, m_rec.m_msgs.size());
        EXPECT_EQ(UM_LOAD_MEMBERS, m_rec.m_msgs[0].message);
        EXPECT_EQ(reinterpret_cast<WPARAM>(pCall), m_rec.m_msgs[0].wParam);
        EXPECT_EQ(77, m_rec.m_msgs[0].lParam);
    }
    m_host->OnLog([&] { m_host->LogFrame()->SetTraceFlags(false, false, false); });
}

}  // namespace
