// The answer of StartClientsAtOnce to Wine's start flake, with stand-ins: a
// script that leaves without a word on its first run (as a cscript.exe that
// never ran its script does) is started again; one that printed anything is
// not; one that never prints is given up after the restarts.
#include <gtest/gtest.h>

#include <string>

#include "LogWindow.h"

namespace {

TEST(StartClientsAtOnce, StartsAgainOnlyAClientThatPrintedNothing) {
    const std::wstring mark = SignalFile(L"silent-once.mark");
    const std::string silentOnce =
        "Set fso = CreateObject(\"Scripting.FileSystemObject\")\n"
        "If Not fso.FileExists(\"" + Narrow(mark) + "\") Then fso.CreateTextFile(\"" + Narrow(mark) +
        "\").Close : WScript.Quit 0\n" + kVbsBegins + "WScript.Echo \"done\"\n";
    const std::string beganThenFailed = std::string(kVbsBegins) + "WScript.Quit 3\n";
    CScriptClient a, b;
    std::string why;
    ASSERT_TRUE(StartClientsAtOnce({&a, &b}, {{L"silent-once.vbs", silentOnce}, {L"began-failed.vbs", beganThenFailed}},
                                   &why))
        << why;
    EXPECT_EQ(0u, a.Wait(30000));
    EXPECT_EQ(std::wstring(kBeganLine) + L"done\r\n", a.Output());
    EXPECT_EQ(3u, b.Wait(30000));
    EXPECT_EQ(kBeganLine, b.Output());

    CScriptClient silent;
    EXPECT_FALSE(StartClientsAtOnce({&silent}, {{L"never-prints.vbs", std::string("WScript.Quit 0\n") + kVbsBegins}},
                                    &why));
    EXPECT_EQ("never-prints.vbs never began, started " + std::to_string(kClientRestarts + 1) + " times", why);
}

}  // namespace
