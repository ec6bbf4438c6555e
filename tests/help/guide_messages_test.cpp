// The user guide lists every message box of the error table, word for word,
// and no other: a message changed on either side fails here.  The guide
// marks each text with the .MB macro, one argument per line of the box
// (doc/Help.ms); the source folder comes from ZV_SOURCE_DIR, which
// tools/wtest sets for every test run.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "server/core/Except.h"

namespace {

std::string Utf8(const std::wstring& w)
{
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

// The Unix path of the source folder as a Wine path (drive Z: is the root).
bool GuidePath(std::wstring& path)
{
    wchar_t src[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"ZV_SOURCE_DIR", src, MAX_PATH)) return false;
    path = std::wstring(L"Z:") + src + L"/doc/Help.ms";
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return true;
}

// The arguments of a request line as groff reads them: blank-separated,
// a double-quoted argument may hold blanks ("" is one quote inside it).
// Of the escapes only those a message could need are read: \& (nothing),
// \- (a minus) and \e (a backslash).
std::vector<std::string> RequestArguments(const std::string& line)
{
    std::vector<std::string> args;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        if (i >= line.size()) break;
        std::string arg;
        if (line[i] == '"') {
            for (++i; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') { arg += '"'; ++i; continue; }
                    ++i;
                    break;
                }
                arg += line[i];
            }
        } else {
            while (i < line.size() && line[i] != ' ') arg += line[i++];
        }
        std::string text;
        for (size_t k = 0; k < arg.size(); ++k) {
            if (arg[k] == '\\' && k + 1 < arg.size()) {
                const char e = arg[++k];
                if (e == '-') text += '-';
                else if (e == 'e') text += '\\';
                else if (e != '&') text += std::string("\\") + e;
                continue;
            }
            text += arg[k];
        }
        args.push_back(text);
    }
    return args;
}

// Every .MB of the guide: its lines joined by line feeds, as the box shows them.
std::vector<std::string> GuideMessages(const std::string& guide)
{
    std::vector<std::string> texts;
    std::istringstream in(guide);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, 4, ".MB ") != 0) continue;
        std::string text;
        for (const std::string& a : RequestArguments(line.substr(4))) text += (text.empty() ? "" : "\n") + a;
        texts.push_back(text);
    }
    return texts;
}

// Every text that the error table shows, with the first code that shows it
// (the text of unknown codes is shown by many).
std::vector<std::pair<std::string, UINT>> TableMessages()
{
    std::vector<std::pair<std::string, UINT>> texts;
    for (UINT code = 0; code < 256; ++code) {
        const CExceptInfo info = ExceptInfo(code);
        if (!info.pszText) continue;
        const std::string text = Utf8(info.pszText);
        bool found = false;
        for (const auto& t : texts) found = found || t.first == text;
        if (!found) texts.emplace_back(text, code);
    }
    return texts;
}

std::string Shown(const std::string& text)
{
    std::string s;
    for (char c : text) s += c == '\n' ? std::string("\\n") : std::string(1, c);
    return "\"" + s + "\"";
}

} // namespace

TEST(HelpGuide, ListsExactlyTheMessagesOfTheErrorTable)
{
    std::wstring path;
    ASSERT_TRUE(GuidePath(path)) << "ZV_SOURCE_DIR is not set: run the test through tools/wtest";
    std::ifstream in(path.c_str(), std::ios::binary);
    ASSERT_TRUE(in.good()) << "cannot read " << Utf8(path);
    std::ostringstream all;
    all << in.rdbuf();

    const std::vector<std::string> guide = GuideMessages(all.str());
    const std::set<std::string> guideSet(guide.begin(), guide.end());
    const auto table = TableMessages();
    std::set<std::string> tableSet;
    for (const auto& t : table) tableSet.insert(t.first);

    for (const auto& t : table)
        EXPECT_TRUE(guideSet.count(t.first)) << "the guide does not list the message of code " << t.second << ": "
                                             << Shown(t.first);
    for (const std::string& g : guide)
        EXPECT_TRUE(tableSet.count(g)) << "the guide lists a message that the program does not show: " << Shown(g);
    EXPECT_EQ(guideSet.size(), guide.size()) << "a message is listed twice";
}
