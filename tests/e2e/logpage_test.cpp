// What the log window shows while a script traces into Zavetra.exe, read
// from its tree control and its external scroll bar as the user sees them:
// after a run of calls and at a break a full page that ends with the log's
// last row, every call shown in order after the user has paged up and more
// calls came, End showing the true end, and one vertical scroll bar.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "LogWindow.h"
#include "StartZavetra.h"

namespace {

bool Contains(const std::wstring& s, const std::wstring& part) { return s.find(part) != std::wstring::npos; }

// Calls "call #<from>" to "call #<to>", each with one member i = <n> (the
// default expansion shows it: two rows a call).
std::string TrCalls(int from, int to) {
    return "For i = " + std::to_string(from) + " To " + std::to_string(to) +
           "\n  z.Tr \"call #\" & Right(\"00\" & i, 3), Array(\"i\", i)\nNext\n";
}

// A client that begins at once (first line), then runs body; its errors are
// echoed.
std::string Script(const std::string& body) {
    return std::string(kVbsBegins) +
           "On Error Resume Next\n"
           "Set z = CreateObject(\"Zavetra.Connect\")\n"
           "If Err.Number <> 0 Then WScript.Echo \"create=\" & Hex(Err.Number) : WScript.Quit 1\n" +
           body + "If Err.Number <> 0 Then WScript.Echo \"err=\" & Hex(Err.Number)\nWScript.Echo \"end\"\n";
}

// A held call "call #<n> held": its last row is "held = last row".
std::string HeldCall(int n) {
    return "z.Br \"call #" + std::to_string(n) + " held\", Array(\"held\", \"last row\")\n";
}

// The number of a call line "call #<n>", or -1 for another label.
int CallNumber(const std::wstring& label) {
    size_t p = label.find(L"call #");
    return p == std::wstring::npos ? -1 : _wtoi(label.c_str() + p + 6);
}

// Every call line "call #001" to "call #<n>", once and in order.
void ExpectCallsInOrder(const std::vector<std::wstring>& lines, int n) {
    std::vector<int> seen;
    for (const std::wstring& s : lines) seen.push_back(CallNumber(s));
    std::vector<int> want(n);
    for (int i = 0; i < n; ++i) want[i] = i + 1;
    EXPECT_EQ(want, seen) << "the call lines of the log, paged through";
}

// The loaded root items are a run of the log without gaps; with last, it
// ends with that call (the page is at the end).
void ExpectLoadedRun(const std::vector<std::wstring>& roots, int last = -1) {
    std::vector<int> seen;
    for (const std::wstring& s : roots) seen.push_back(CallNumber(s));
    ASSERT_FALSE(seen.empty()) << "no item loaded";
    std::vector<int> want;
    for (int i = seen.front(); i <= (last < 0 ? seen.back() : last); ++i) want.push_back(i);
    EXPECT_EQ(want, seen) << "the loaded call lines are not a run of the log"
                          << (last < 0 ? "" : " up to the last call");
}

// The window shows a full page whose last row is the log's last row, with
// that text, at the window's bottom; the external bar stands for the log's
// rows and its thumb is at the end.
void ExpectFullPageEndingWith(const ShownPage& page, const std::wstring& lastRow, int nRows) {
    SCOPED_TRACE(Describe(page));
    EXPECT_TRUE(page.Full()) << "the rows do not fill the window: " << page.rows.size() << " of "
                             << page.visibleCount;
    EXPECT_TRUE(page.EndsWithLastRow()) << "the window's last row is not the log's last row";
    ASSERT_FALSE(page.labels.empty());
    EXPECT_TRUE(Contains(page.labels.back(), lastRow)) << "last row shown: " << Narrow(page.labels.back());
    EXPECT_TRUE(page.LastRowAtBottom()) << "the last row is not at the window's bottom";
    EXPECT_EQ(nRows - 1, page.bar.nMax) << "the external bar's range is not the log's rows";
    EXPECT_TRUE(page.BarAtEnd()) << "the external bar's position + page is not its maximum + 1";
}

class LogPage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartZavetra(zv));
        // A page of some twenty rows.
        SetWindowPos(zv.LogFrame(), HWND_TOP, 0, 0, 600, 500, SWP_NOACTIVATE);
    }
    void TearDown() override {
        client.Kill();
        if (zv.Running()) {
            EXPECT_EQ(0u, zv.Quit());
        }
    }
    // Starts the client and waits until the held call's line is loaded.
    void RunToTheBreak(const std::string& after) {
        ASSERT_TRUE(client.Start(L"page.vbs", Script(TrCalls(1, 100) + HeldCall(101) + after)));
        ASSERT_NE(nullptr, zv.WaitForLine(L"call #101 held", 120000));
    }
    void LetTheClientEnd() {
        zv.Command(kCmdRestart);
        EXPECT_EQ(0u, client.Wait(120000));
        EXPECT_EQ(std::wstring(kBeganLine) + L"end\r\n", client.Output());
        ASSERT_TRUE(zv.WaitForNoClients());
    }

    CZavetra zv;
    CScriptClient client;
};

TEST_F(LogPage, ABreakAndTheClientsEndShowAFullPageEndingWithTheHeldCall) {
    ASSERT_NO_FATAL_FAILURE(RunToTheBreak(""));
    {
        SCOPED_TRACE("at the break after 100 calls");
        ExpectFullPageEndingWith(zv.Page(), L"held = last row", 2 * 101);
    }
    ASSERT_NO_FATAL_FAILURE(LetTheClientEnd());
    {
        SCOPED_TRACE("after the client ended");
        ExpectFullPageEndingWith(zv.Page(), L"held = last row", 2 * 101);
    }
}

TEST_F(LogPage, ARunOfCallsShowsAFullPageEndingWithTheLastCall) {
    ASSERT_TRUE(client.Start(L"run.vbs", Script(TrCalls(1, 100))));
    EXPECT_EQ(0u, client.Wait(120000));
    EXPECT_EQ(std::wstring(kBeganLine) + L"end\r\n", client.Output());
    ASSERT_TRUE(zv.WaitForNoClients());
    ExpectFullPageEndingWith(zv.Page(), L"i = 100", 2 * 100);
}

// Page Up three times moves the view off the end; the calls that come then
// must join the loaded items without a gap, and at the next break End shows
// the true end; paging through shows every call.
struct PagedUpCase {
    const char* name;
    bool atABreak;   // paged up while a call is held, else in an idle log before a new client
    int nAfter;      // calls after it, before the next break
};

void PrintTo(const PagedUpCase& c, std::ostream* os) { *os << c.name; }

class LogPagePagedUp : public LogPage, public ::testing::WithParamInterface<PagedUpCase> {};

TEST_P(LogPagePagedUp, EveryCallIsShownInOrderAndEndShowsTheTrueEnd) {
    const int last = 102 + GetParam().nAfter;   // the next held call
    const std::string after = TrCalls(102, last - 1) + HeldCall(last);
    if (GetParam().atABreak) {
        ASSERT_NO_FATAL_FAILURE(RunToTheBreak(after));
        zv.Page();
        zv.Key(VK_PRIOR, 3);
        zv.Command(kCmdRestart);
    } else {
        ASSERT_NO_FATAL_FAILURE(RunToTheBreak(""));
        ASSERT_NO_FATAL_FAILURE(LetTheClientEnd());
        zv.Page();
        zv.Key(VK_PRIOR, 3);
        ASSERT_TRUE(client.Start(L"second.vbs", Script(after)));
    }
    ASSERT_NE(nullptr, zv.WaitForLine(L"call #" + std::to_wstring(last) + L" held", 120000));
    zv.Page();
    {
        SCOPED_TRACE("at the next break");
        ExpectLoadedRun(zv.Tree().RootLabels());
    }
    zv.Key(VK_END);
    {
        SCOPED_TRACE("after End");
        ExpectFullPageEndingWith(zv.Page(), L"held = last row", 2 * last);
        ExpectLoadedRun(zv.Tree().RootLabels(), last);
    }
    ASSERT_NO_FATAL_FAILURE(LetTheClientEnd());
    ExpectCallsInOrder(zv.AllCallLines(), last);
}

INSTANTIATE_TEST_SUITE_P(, LogPagePagedUp,
                         ::testing::Values(PagedUpCase{"AtABreakThenOneCall", true, 1},
                                           PagedUpCase{"AtABreakThenTwentyCalls", true, 20},
                                           PagedUpCase{"InAnIdleLogThenOneCall", false, 1}),
                         [](const ::testing::TestParamInfo<PagedUpCase>& i) { return std::string(i.param.name); });

// A held call of 20,000 pairs: the window shows a full page that ends with
// its last pair, paged up inside it a full page, and the calls after it
// with End, a run of call lines; the tree control holds only the pages
// around the visible one.
TEST_F(LogPage, AHeldCallOfManyMembersLoadsOnlyThePagesAroundTheVisibleOne) {
    const std::string wide =
        "Dim names(39999)\nFor i = 0 To 19999\n  names(2 * i) = \"p\" & i\n  names(2 * i + 1) = i\nNext\n"
        "pairs = names\nz.Br \"call #11 held\", (pairs)\n";
    ASSERT_TRUE(client.Start(L"wide.vbs", Script(TrCalls(1, 10) + wide + TrCalls(12, 20) + HeldCall(21))));
    ASSERT_NE(nullptr, zv.WaitForLine(L"call #11 held", 120000));
    const int nWideRows = 2 * 10 + 1 + 20000;
    const UINT nBound = 2000;  // items in the control: a few pages, not the call's 20,000 rows
    {
        SCOPED_TRACE("at the break of the wide call");
        ExpectFullPageEndingWith(zv.Page(), L"p19999 = 19999", nWideRows);
        EXPECT_LT(zv.Tree().Count(), nBound);
    }
    zv.Key(VK_PRIOR, 3);
    {
        SCOPED_TRACE("paged up inside it");
        const ShownPage page = zv.Page();
        EXPECT_TRUE(page.Full()) << Describe(page);
        EXPECT_EQ(nWideRows - 1, page.bar.nMax);
        EXPECT_LT(zv.Tree().Count(), nBound);
    }
    zv.Command(kCmdRestart);
    ASSERT_NE(nullptr, zv.WaitForLine(L"call #21 held", 120000));
    zv.Key(VK_END);
    {
        SCOPED_TRACE("at the next break, after End");
        ExpectFullPageEndingWith(zv.Page(), L"held = last row", nWideRows + 2 * 9 + 2);
        ExpectLoadedRun(zv.Tree().RootLabels(), 21);
        EXPECT_LT(zv.Tree().Count(), nBound);
    }
    ASSERT_NO_FATAL_FAILURE(LetTheClientEnd());
}

// The external bar stands for the whole log; the tree control's own bar,
// which knows only the loaded items, must not show beside it.
TEST_F(LogPage, OnlyTheExternalVerticalBarShows) {
    ASSERT_NO_FATAL_FAILURE(RunToTheBreak(""));
    zv.Page();
    {
        SCOPED_TRACE("at the break");
        VerticalBars bars = zv.Bars();
        EXPECT_TRUE(bars.external) << Describe(bars);
        EXPECT_FALSE(bars.TreeShowsOwn()) << Describe(bars);
    }
    ASSERT_NO_FATAL_FAILURE(LetTheClientEnd());
    zv.Key(VK_PRIOR, 3);
    zv.Page();
    {
        SCOPED_TRACE("paged up in the idle log");
        VerticalBars bars = zv.Bars();
        EXPECT_TRUE(bars.external) << Describe(bars);
        EXPECT_FALSE(bars.TreeShowsOwn()) << Describe(bars);
    }
}

}  // namespace
