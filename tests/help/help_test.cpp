// The user guide that the main form's Help button opens: Help.pdf in the
// folder of Zavetra.exe (one folder above the test executable).
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::wstring BuildFolder()
{
    wchar_t buf[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring p(buf, n);
    for (int i = 0; i < 2; ++i)
        p = p.substr(0, p.find_last_of(L"\\/"));
    return p;
}

bool FileExists(const std::wstring& path)
{
    const DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

TEST(Help, GuideLiesBesideTheExecutableAsAPdfDocument)
{
    const std::wstring folder = BuildFolder();
    ASSERT_TRUE(FileExists(folder + L"\\Zavetra.exe"));
    const std::wstring path = folder + L"\\Help.pdf";
    ASSERT_TRUE(FileExists(path));

    std::ifstream in(path.c_str(), std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(data.size(), 1000u);
    EXPECT_EQ(data.compare(0, 5, "%PDF-"), 0);
    EXPECT_NE(data.find("%%EOF", data.size() - 32), std::string::npos);   // written to its end
    EXPECT_NE(data.find("/Title (Zavetra Help)"), std::string::npos);
}
