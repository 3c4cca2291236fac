#include "tests/support/TestEnv.h"

#include <fstream>
#include <sstream>

#include "app/Settings.h"
#include "net/StatusPopup.h"

void DeleteSettingsKey()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvale\\ZANT Launcher");
}

void LauncherTest::SetUp()
{
    DeleteSettingsKey();
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    static int counter = 0;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    tempDir_ = std::string(base) + "zant-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter) + "-" + info->name() + "\\";
    for (char& c : tempDir_)
        if (c == '/') c = '_';
    RemoveTree(tempDir_);
    MakeFolders(tempDir_);

    SetMessageAnswerer([this](const MessageCall& call) {
        messages_.push_back(call);
        if (expected_.empty()) {
            ADD_FAILURE() << "unexpected message box: " << call.text;
            return IDCANCEL;
        }
        Expectation next = expected_.front();
        expected_.pop_front();
        EXPECT_NE(call.text.find(next.textPart), std::string::npos)
            << "message box \"" << call.text << "\" does not contain \"" << next.textPart << "\"";
        return next.answer;
    });
}

void LauncherTest::TearDown()
{
    // A popup left open by the code under test must not outlive the test.
    ShowStatus(false);
    SetMessageAnswerer(nullptr);
    for (const Expectation& missed : expected_) ADD_FAILURE() << "message box never shown: " << missed.textPart;
    RemoveTree(tempDir_);
    DeleteSettingsKey();
}

void LauncherTest::ExpectMessage(const std::string& textPart, int answer)
{
    expected_.push_back({textPart, answer});
}

void WriteTextFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeFolders(const std::string& path)
{
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

void RemoveTree(const std::string& folder)
{
    std::string base = folder;
    if (!base.empty() && base.back() != '\\') base += '\\';
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((base + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = base + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(base.c_str());
}
