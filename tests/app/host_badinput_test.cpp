// Real script clients that hand over odd or extreme data, against the real
// main frame and document in this process (the stand-in log side lets every
// call go on). Each odd call is followed by a normal one; every call must
// return S_OK to the client, get its own call line in the master list, in
// order, and the odd value must be recorded as the capture defines it. The
// script writes the error number of each call to a results file.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ScriptHost.h"
#include "mainframe_fakes.h"
#include "server/capture/ObjTable.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

std::string Narrow(const std::wstring& s) {
    std::string r;
    for (wchar_t c : s) r += c < 128 ? static_cast<char>(c) : '?';
    return r;
}

// The lines "name=value" of the results file, in order.
std::vector<std::pair<std::string, std::string>> ResultLines(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> lines;
    for (const std::string& line : TextLines(text)) {
        size_t eq = line.rfind('=');
        if (eq != std::string::npos) lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return lines;
}

std::wstring Name(const CLogNode* p) { return p && p->m_pEntry ? std::wstring(p->m_pEntry->m_name) : L"<none>"; }
std::wstring Type(const CLogNode* p) { return p && p->m_pEntry ? std::wstring(p->m_pEntry->m_type) : L"<none>"; }
std::wstring Value(const CLogNode* p) { return p && p->m_pEntry ? std::wstring(p->m_pEntry->m_value) : L"<none>"; }
DWORD Kind(const CLogNode* p) { return p && p->m_pEntry ? p->m_pEntry->Kind() : 99; }
DWORD LoadBits(const CLogNode* p) { return p && p->m_pEntry ? p->m_pEntry->m_flags & LOGF_LOADABLE : 99; }

// The child of p with that name, or null.
const CLogNode* Child(const CLogNode* p, const std::wstring& name) {
    for (const CLogNode* c = p ? p->m_pChildren : nullptr; c; c = c->m_pNext)
        if (Name(c) == name) return c;
    return nullptr;
}

std::vector<std::wstring> ChildNames(const CLogNode* p) {
    std::vector<std::wstring> names;
    for (const CLogNode* c = p ? p->m_pChildren : nullptr; c; c = c->m_pNext) names.push_back(Name(c));
    return names;
}

// All nodes below p, and the deepest level below it (1 = its children).
void Measure(const CLogNode* p, size_t* pCount, size_t* pDepth) {
    *pCount = 0;
    *pDepth = 0;
    std::vector<std::pair<const CLogNode*, size_t>> stack;
    if (p && p->m_pChildren) stack.push_back({p->m_pChildren, 1});
    while (!stack.empty()) {
        auto [q, d] = stack.back();
        stack.pop_back();
        for (; q; q = q->m_pNext) {
            ++*pCount;
            if (d > *pDepth) *pDepth = d;
            if (q->m_pChildren) stack.push_back({q->m_pChildren, d + 1});
        }
    }
}

// A value the client failed to deliver: type "SCODE", value "0x%08x, ...".
void ExpectFailedValue(const CLogNode* p) {
    EXPECT_EQ(L"SCODE", Type(p)) << Narrow(Name(p));
    std::wstring v = Value(p);
    EXPECT_TRUE(v.size() >= 12 && v.compare(0, 2, L"0x") == 0 && v.compare(10, 2, L", ") == 0) << Narrow(v);
    EXPECT_EQ(LOGK_MEMBER, Kind(p));
}

// An object or array node whose members the capture attached.
void ExpectLoaded(const CLogNode* p, DWORD kind) {
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(kind, Kind(p)) << Narrow(Name(p));
    EXPECT_EQ(static_cast<DWORD>(LOGF_MEMBER_TREE), LoadBits(p)) << Narrow(Name(p));
    EXPECT_NE(0u, p->m_pEntry->m_key);
}

// One odd call: statements that prepare it, the argument expression, and what
// its call line must hold.
struct OddCall {
    const char* label;
    std::string setup;
    std::string argument;
    std::function<void(const CLogNode* pCall)> check;
};

class BadInputTest : public ScriptHostTest {
protected:
    void SetUp() override {
        ScriptHostTest::SetUp();
        saved = CAppSettings::Get().Settings;
    }
    void TearDown() override {
        CAppSettings::Get().Settings = saved;
        ScriptHostTest::TearDown();
    }

    // Writes a script that makes each odd call followed by a normal one
    // ("<label> after" with the pair n = 1), runs it and checks everything
    // the server owes the client.
    void RunCalls(bool bJScript, const std::string& prelude, const std::vector<OddCall>& calls,
                  const std::string& epilogue = "") {
        std::wstring dir = ScriptFolder(L"zv_badinput");
        std::wstring results = dir + (bJScript ? L"\\results_js.txt" : L"\\results_vbs.txt");
        std::wstring script = dir + (bJScript ? L"\\client.js" : L"\\client.vbs");
        ::DeleteFileW(results.c_str());
        std::string path;
        for (char ch : Narrow(results)) {
            if (ch == '\\' && bJScript) path += '\\';
            path += ch;
        }
        std::string text;
        if (bJScript) {
            text = "var fso = new ActiveXObject(\"Scripting.FileSystemObject\");\n"
                   "var out = fso.CreateTextFile(\"" + path + "\", true);\n"
                   "function hex(n) { return (n >>> 0).toString(16).toUpperCase(); }\n"
                   "var c = new ActiveXObject(\"Zavetra.Connect\");\n"
                   "function call(label, arg) {\n"
                   "    var r = 0;\n"
                   "    try { c.Tr(label, arg); } catch (e) { r = e.number; }\n"
                   "    out.WriteLine(label + \"=\" + hex(r));\n"
                   "}\n" + prelude + "\n";
            for (const OddCall& call : calls) {
                text += std::string("try {\n") + call.setup + "\n} catch (e) { out.WriteLine(\"" + call.label +
                        " setup=\" + hex(e.number)); }\n";
                text += std::string("call(\"") + call.label + "\", " + call.argument + ");\n";
                text += std::string("call(\"") + call.label + " after\", [\"n\", 1]);\n";
            }
            text += epilogue + "\nout.WriteLine(\"end=0\");\nout.Close();\n";
        } else {
            text = "Set fso = CreateObject(\"Scripting.FileSystemObject\")\n"
                   "Set out = fso.CreateTextFile(\"" + path + "\", True)\n"
                   "On Error Resume Next\n"
                   "Set c = CreateObject(\"Zavetra.Connect\")\n"
                   "If Err.Number <> 0 Then out.WriteLine \"create=\" & Hex(Err.Number)\n" + prelude + "\n";
            for (const OddCall& call : calls) {
                text += "Err.Clear\n" + call.setup + "\n";
                text += std::string("If Err.Number <> 0 Then out.WriteLine \"") + call.label +
                        " setup=\" & Hex(Err.Number)\nErr.Clear\n";
                text += std::string("c.Tr \"") + call.label + "\", " + call.argument + "\n";
                text += std::string("out.WriteLine \"") + call.label + "=\" & Hex(Err.Number)\nErr.Clear\n";
                text += std::string("c.Tr \"") + call.label + " after\", Array(\"n\", 1)\n";
                text += std::string("out.WriteLine \"") + call.label + " after=\" & Hex(Err.Number)\n";
            }
            text += epilogue + "\nout.WriteLine \"end=0\"\nout.Close\n";
        }
        ASSERT_TRUE(WriteText(script, text));

        // cscript runs it while this thread serves its calls.
        const ClientRun run = RunClient(CscriptCommand(script), script + L".out", 180000);
        std::string report = ReadText(results);
        SCOPED_TRACE("results:\n" + report + "console:\n" + run.output);
        EXPECT_TRUE(run.ended) << "the client did not end";

        // Every call returned S_OK, in the order made, and the script ran to its end.
        std::vector<std::pair<std::string, std::string>> expected;
        std::vector<std::wstring> labels;
        for (const OddCall& call : calls) {
            expected.emplace_back(call.label, "0");
            expected.emplace_back(std::string(call.label) + " after", "0");
            labels.emplace_back(call.label, call.label + strlen(call.label));
            labels.push_back(labels.back() + L" after");
        }
        expected.emplace_back("end", "0");
        EXPECT_EQ(expected, ResultLines(report));

        // The server goes on: its window is there, the client has gone, nothing was reported.
        EXPECT_TRUE(host->IsOpen());
        EXPECT_EQ(0, g_nClients);
        EXPECT_TRUE(boxes.TakeTexts().empty());
        EXPECT_EQ(static_cast<int>(labels.size()), FakeLog::Get().Count(UM_ADD_ENTRY));

        // One call line per call, in order, each with its argument tree attached.
        std::vector<const CLogNode*> lines;
        std::vector<std::wstring> seen;
        for (const CLogNode* p = host->Doc()->GetHead(); p; p = p->m_pNext) {
            lines.push_back(p);
            seen.push_back(Name(p));
        }
        ASSERT_EQ(labels, seen);
        for (size_t i = 0; i < lines.size(); ++i) {
            SCOPED_TRACE(Narrow(seen[i]));
            EXPECT_EQ(LOGK_CALL, Kind(lines[i]));
            EXPECT_EQ(static_cast<DWORD>(LOGF_MEMBER_TREE), LoadBits(lines[i]));
            if (i % 2 == 1) {
                EXPECT_EQ(std::vector<std::wstring>{L"n"}, ChildNames(lines[i]));
                EXPECT_EQ(0u, Value(lines[i]->m_pChildren).find(L"1, 0x"));   // the script's 1
            } else {
                calls[i / 2].check(lines[i]);
            }
        }
    }

    CAppSettings::SettingsSection saved{};
};

// A call line without an argument tree.
void ExpectNoArguments(const CLogNode* pCall) { EXPECT_EQ(nullptr, pCall->m_pChildren); }

const char kClasses[] = R"(
Class Raiser
    Public Property Get Bad
        Err.Raise 5, "Raiser", "refused"
    End Property
    Public Property Get Good
        Good = 7
    End Property
End Class
Class Selfish
    Public Property Get Myself
        Set Myself = Me
    End Property
End Class
Class Link
    Public other
End Class
)";

TEST_F(BadInputTest, VBScriptOddValuesAreRecordedAndNoCallIsLost) {
    CAppSettings::Get().Settings.NestLevel = 100;   // the highest the main form accepts
    CAppSettings::Get().Settings.ArrayRange = 100;
    std::string sixty = "Dim sixtyD(0";
    for (int i = 1; i < 60; ++i) sixty += ",0";
    sixty += ")";
    std::wstring sixtyName = L"[ 0";
    for (int i = 1; i < 60; ++i) sixtyName += L", 0";
    sixtyName += L" ]";

    const std::vector<OddCall> calls = {
        {"getter raises",
         "p = fso.GetSpecialFolder(2) & \"\\zv_gone.txt\"\nfso.CreateTextFile(p, True).Close\n"
         "Set gone = fso.GetFile(p)\nfso.DeleteFile p",
         "Array(\"file\", gone, \"raiser\", New Raiser)",
         [](const CLogNode* pCall) {
             EXPECT_EQ((std::vector<std::wstring>{L"file", L"raiser"}), ChildNames(pCall));
             // The file is gone: its getters fail, its name and path still read.
             const CLogNode* pFile = Child(pCall, L"file");
             ExpectLoaded(pFile, LOGK_OBJECT);
             EXPECT_EQ(L"IFile", Value(pFile));
             EXPECT_EQ(L"zv_gone.txt", Value(Child(pFile, L"Name")));
             ExpectFailedValue(Child(pFile, L"Size"));
             ExpectFailedValue(Child(pFile, L"DateLastModified"));
             // A script class: whatever the platform lets the capture read of
             // it, a raising getter can only be a failed value.
             const CLogNode* pRaiser = Child(pCall, L"raiser");
             ExpectLoaded(pRaiser, LOGK_OBJECT);
             if (const CLogNode* pBad = Child(pRaiser, L"Bad")) {
                 ExpectFailedValue(pBad);
             }
             if (const CLogNode* pGood = Child(pRaiser, L"Good")) {
                 EXPECT_EQ(L"7, 0x0007", Value(pGood));
             }
         }},
        {"getter returns Me", "Set selfish = New Selfish", "Array(\"selfish\", selfish)",
         [](const CLogNode* pCall) {
             const CLogNode* p = Child(pCall, L"selfish");
             ExpectLoaded(p, LOGK_OBJECT);
             if (const CLogNode* pMe = Child(p, L"Myself")) {
                 EXPECT_EQ(p->m_pEntry->m_key, pMe->m_pEntry->m_key);
             }
         }},
        {"objects refer to each other",
         "Set la = New Link\nSet lb = New Link\nSet la.other = lb\nSet lb.other = la", "Array(\"a\", la, \"b\", lb)",
         [](const CLogNode* pCall) {
             ExpectLoaded(Child(pCall, L"a"), LOGK_OBJECT);
             ExpectLoaded(Child(pCall, L"b"), LOGK_OBJECT);
         }},
        {"huge array", "Dim big(2000000)\nbig(0) = \"first\"\nbig(2000000) = \"last\"", "Array(\"big\", big)",
         [](const CLogNode* pCall) {
             const CLogNode* pBig = Child(pCall, L"big");
             ExpectLoaded(pBig, LOGK_ARRAY);
             EXPECT_EQ(L"SAFEARRAY*", Type(pBig));
             std::vector<std::wstring> names = ChildNames(pBig);
             ASSERT_EQ(100u, names.size());   // ArrayRange
             EXPECT_EQ(L"[ 0 ]", names.front());
             EXPECT_EQ(L"[ 99 ]", names.back());
             EXPECT_EQ(L"first", Value(pBig->m_pChildren));
         }},
        {"many dimensions",
         "Dim cube(2, 3, 4)\ncube(1, 2, 3) = \"x\"\nDim tenD(0,0,0,0,0,0,0,0,0,0)\ntenD(0,0,0,0,0,0,0,0,0,0) = 3\n" +
             sixty,
         "Array(\"cube\", cube, \"tenD\", tenD, \"sixtyD\", sixtyD)",
         [sixtyName](const CLogNode* pCall) {
             const CLogNode* pCube = Child(pCall, L"cube");
             ExpectLoaded(pCube, LOGK_ARRAY);
             std::vector<std::wstring> names = ChildNames(pCube);
             ASSERT_EQ(60u, names.size());   // the last declared dimension varies fastest
             EXPECT_EQ(L"[ 0, 0, 0 ]", names[0]);
             EXPECT_EQ(L"[ 0, 0, 4 ]", names[4]);
             EXPECT_EQ(L"[ 0, 1, 0 ]", names[5]);
             EXPECT_EQ(L"[ 2, 3, 4 ]", names[59]);
             EXPECT_EQ(L"x", Value(Child(pCube, L"[ 1, 2, 3 ]")));
             const CLogNode* pTen = Child(pCall, L"tenD");
             ExpectLoaded(pTen, LOGK_ARRAY);
             EXPECT_EQ(std::vector<std::wstring>{L"[ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 ]"}, ChildNames(pTen));
             EXPECT_EQ(L"3, 0x0003", Value(pTen->m_pChildren));
             const CLogNode* pSixty = Child(pCall, L"sixtyD");
             ExpectLoaded(pSixty, LOGK_ARRAY);
             EXPECT_EQ(std::vector<std::wstring>{sixtyName}, ChildNames(pSixty));
         }},
        // As the pair list: the count of the last declared dimension (5, so
        // two pairs) taken from the start of the data.
        {"many dimensions as pairs", "", "(cube)",
         [](const CLogNode* pCall) {
             EXPECT_EQ((std::vector<std::wstring>{L"(? )", L"(? )"}), ChildNames(pCall));
         }},
        {"name without value", "", "Array(\"a\", 1, \"b\")",
         [](const CLogNode* pCall) {
             EXPECT_EQ(std::vector<std::wstring>{L"a"}, ChildNames(pCall));
             EXPECT_EQ(L"1, 0x0001", Value(pCall->m_pChildren));
         }},
        {"names that are no strings", "Set dict0 = CreateObject(\"Scripting.Dictionary\")",
         "Array(5, \"five\", dict0, \"object\", Nothing, \"nothing\", Array(1), \"array\", Null, \"null\")",
         [](const CLogNode* pCall) {
             EXPECT_EQ((std::vector<std::wstring>{L"(? 5, 0x0005)", L"(? )", L"(? )", L"(? )", L"(? )"}),
                       ChildNames(pCall));
             std::vector<std::wstring> values;
             for (const CLogNode* p = pCall->m_pChildren; p; p = p->m_pNext) values.push_back(Value(p));
             EXPECT_EQ((std::vector<std::wstring>{L"five", L"object", L"nothing", L"array", L"null"}), values);
         }},
        {"empty values", "", "Array(\"e\", Empty, \"n\", Null, \"o\", Nothing)",
         [](const CLogNode* pCall) {
             EXPECT_EQ((std::vector<std::wstring>{L"e", L"n", L"o"}), ChildNames(pCall));
             EXPECT_EQ(L"(empty)", Type(Child(pCall, L"e")));
             EXPECT_EQ(L"null", Type(Child(pCall, L"n")));
             const CLogNode* pNothing = Child(pCall, L"o");
             EXPECT_EQ(L"IDispatch*", Type(pNothing));
             EXPECT_EQ(L"(NULL)", Value(pNothing));
             EXPECT_EQ(LOGK_MEMBER, Kind(pNothing));
             for (const CLogNode* p = pCall->m_pChildren; p; p = p->m_pNext) EXPECT_EQ(0u, p->m_pEntry->m_key);
         }},
        {"single number", "", "5", ExpectNoArguments},
        {"single string", "", "\"text\"", ExpectNoArguments},
        {"single Nothing", "", "Nothing", ExpectNoArguments},
        // A plain variable goes by reference (VT_VARIANT | VT_BYREF), which is
        // neither an array nor an object: no argument tree.
        {"variable by reference", "Dim pairs(1)\npairs(0) = \"k\"\npairs(1) = 5", "pairs", ExpectNoArguments},
        {"dictionary holds itself",
         "Set selfd = CreateObject(\"Scripting.Dictionary\")\nselfd.Add \"me\", selfd\nselfd.Add \"arr\", Array(1, 2)",
         "Array(\"d\", selfd, \"items\", selfd.Items)",
         [](const CLogNode* pCall) {
             const CLogNode* pDict = Child(pCall, L"d");
             ExpectLoaded(pDict, LOGK_OBJECT);
             EXPECT_EQ(L"2, 0x00000002", Value(Child(pDict, L"Count")));
             const CLogNode* pItems = Child(pDict, L"Items");   // the keys
             ASSERT_NE(nullptr, pItems);
             EXPECT_EQ((std::vector<std::wstring>{L"Item 1", L"Item 2"}), ChildNames(pItems));
             EXPECT_EQ(L"me", Value(pItems->m_pChildren));
             const CLogNode* pValues = Child(pCall, L"items");
             ExpectLoaded(pValues, LOGK_ARRAY);
             const CLogNode* pSelf = Child(pValues, L"[ 0 ]");
             ExpectLoaded(pSelf, LOGK_OBJECT);
             EXPECT_EQ(pDict->m_pEntry->m_key, pSelf->m_pEntry->m_key);   // one record, two places
             EXPECT_EQ(ChildNames(pDict), ChildNames(pSelf));
             const CLogNode* pArr = Child(pValues, L"[ 1 ]");
             ExpectLoaded(pArr, LOGK_ARRAY);
             EXPECT_EQ((std::vector<std::wstring>{L"[ 0 ]", L"[ 1 ]"}), ChildNames(pArr));
         }},
    };
    RunCalls(false, kClasses, calls, "selfd.RemoveAll\nSet la.other = Nothing\nSet lb.other = Nothing");
}

TEST_F(BadInputTest, JScriptOddValuesAreRecordedAndNoCallIsLost) {
    const int nLevels = 100;   // the highest the main form accepts
    CAppSettings::Get().Settings.NestLevel = nLevels;
    CAppSettings::Get().Settings.ArrayRange = 100;
    const std::vector<OddCall> calls = {
        // A script array is an object whose members are its indexes; a
        // function member is a method and is not read, so "f" names nothing.
        {"script array", "",
         "[\"n\", 1, \"list\", [1, \"two\"], \"u\", undefined, \"d\", new Date(0), \"f\", function () { return 1; }]",
         [](const CLogNode* pCall) {
             EXPECT_EQ((std::vector<std::wstring>{L"n", L"list", L"u", L"d", L"f"}), ChildNames(pCall));
             EXPECT_EQ(L"1, 0x00000001", Value(Child(pCall, L"n")));
             const CLogNode* pList = Child(pCall, L"list");
             ExpectLoaded(pList, LOGK_OBJECT);
             EXPECT_EQ((std::vector<std::wstring>{L"[ 0 ]", L"[ 1 ]"}), ChildNames(pList));
             EXPECT_EQ(L"two", Value(Child(pList, L"[ 1 ]")));
             EXPECT_EQ(L"(empty)", Type(Child(pCall, L"u")));
             ExpectLoaded(Child(pCall, L"d"), LOGK_OBJECT);
             EXPECT_EQ(L"(empty)", Type(Child(pCall, L"f")));
         }},
        {"undefined", "", "undefined", ExpectNoArguments},
        {"function", "", "function () { return 1; }", ExpectNoArguments},
        {"date", "", "new Date(0)", ExpectNoArguments},
        // A cycle ends at the depth limit: members down to level NestLevel + 1,
        // the next level keeps its members to be loaded.
        {"objects refer to each other", "var ja = {}, jb = {};\nja.other = jb;\njb.other = ja;", "[\"a\", ja]",
         [nLevels](const CLogNode* pCall) {
             const CLogNode* p = Child(pCall, L"a");
             for (int d = 1; d <= nLevels + 1; ++d) {
                 ASSERT_NO_FATAL_FAILURE(ExpectLoaded(p, LOGK_OBJECT)) << "level " << d;
                 ASSERT_EQ(std::vector<std::wstring>{L"other"}, ChildNames(p)) << "level " << d;
                 p = p->m_pChildren;
             }
             EXPECT_EQ(static_cast<DWORD>(LOGF_LOADABLE), LoadBits(p));
             EXPECT_EQ(nullptr, p->m_pChildren);
         }},
        // Two ways back to itself would double the tree at every level: the
        // tree stops growing at its node budget (the first path is walked to
        // the depth limit, later ones end early with their members left to
        // load), and the other pairs still get their members.
        {"object refers to itself twice", "var jo = {};\njo.me = jo;\njo.self = jo;\nvar jl = [1, 2];",
         "[\"o\", jo, \"list\", jl]",
         [nLevels](const CLogNode* pCall) {
             size_t nNodes = 0, nDepth = 0;
             Measure(pCall, &nNodes, &nDepth);
             EXPECT_GE(nNodes, CObjTable::kMaxCapturedNodes);
             EXPECT_LE(nNodes, CObjTable::kMaxCapturedNodes + 16);
             EXPECT_EQ(static_cast<size_t>(nLevels) + 2, nDepth);
             const CLogNode* pObj = Child(pCall, L"o");
             ExpectLoaded(pObj, LOGK_OBJECT);
             EXPECT_EQ((std::vector<std::wstring>{L"me", L"self"}), ChildNames(pObj));
             const CLogNode* pLast = pObj;   // along the last path: "self", "self", ...
             int nSelf = 0;
             while (const CLogNode* pNext = Child(pLast, L"self")) {
                 pLast = pNext;
                 ++nSelf;
             }
             EXPECT_LT(nSelf, nLevels);
             EXPECT_EQ(static_cast<DWORD>(LOGF_LOADABLE), LoadBits(pLast));
             EXPECT_EQ(nullptr, pLast->m_pChildren);
             const CLogNode* pList = Child(pCall, L"list");
             ExpectLoaded(pList, LOGK_OBJECT);
             EXPECT_EQ((std::vector<std::wstring>{L"[ 0 ]", L"[ 1 ]"}), ChildNames(pList));
         }},
    };
    RunCalls(true, "", calls, "jo.me = null; jo.self = null; ja.other = null;");
}

}  // namespace
