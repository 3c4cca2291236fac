#include "tests/support/TestEnv.h"

#include "net/LongWork.h"
#include "net/StatusPopup.h"

#include <cstdlib>
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
    static int counter = 0;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("zant-") + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(++counter) + "-" + info->name();
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    const std::string folder = TestTempRoot() + name + "\\";
    // A leftover of an earlier process with the same id is ours to clear.
    ASSERT_TRUE(RemoveTree(folder)) << folder;
    MakeFolders(folder);
    ASSERT_EQ(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY)
        << "cannot create " << folder;
    tempDir_ = folder;

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
    // A popup left open, or a cancel asked, must not outlive the test.
    ShowStatus(false);
    ClearCancel();
    SetMessageAnswerer(nullptr);
    for (const Expectation& missed : expected_) ADD_FAILURE() << "message box never shown: " << missed.textPart;
    // Only a folder this fixture made is removed: a test skipped before its
    // set-up has none.
    if (!tempDir_.empty()) {
        EXPECT_TRUE(RemoveTree(tempDir_)) << tempDir_;
    }
    tempDir_.clear();
    DeleteSettingsKey();
}

std::string LauncherTest::MakeSimFolder(std::initializer_list<const char*> profiles) const
{
    const std::string sim = tempDir_ + "Sim\\";
    MakeFolders(sim);
    for (const std::string profile : profiles) {
        const std::string folder = sim + "UserData\\" + profile + "\\";
        MakeFolders(folder + "Settings\\");
        WriteTextFile(folder + profile + ".PLR", "[DRIVER]\r\n");
    }
    MakeFolders(DocumentsFolder());
    return sim;
}

std::string LauncherTest::LinkFixture() const
{
    std::string fixture = tempDir_;
    if (const char* prepared = std::getenv("ZANT_LINK_FIXTURE")) {
        fixture = TestTempRoot() + prepared + "\\";
    } else {
        MakeFolders(fixture + "outside\\");
        MakeFolders(fixture + "tree\\");
        WriteTextFile(fixture + "outside\\precious.txt", "mine");
        CreateSymbolicLinkA((fixture + "tree\\link").c_str(), (fixture + "outside").c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY);
    }
    const DWORD attributes = GetFileAttributesA((fixture + "tree\\link").c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return "";
    return fixture;
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

std::string TestTempRoot()
{
    char base[MAX_PATH] = {};
    const DWORD length = GetTempPathA(sizeof base, base);
    if (length == 0 || length >= sizeof base) return std::string();
    char full[MAX_PATH] = {};
    const DWORD fullLength = GetFullPathNameA(base, sizeof full, full, nullptr);
    if (fullLength == 0 || fullLength >= sizeof full) return std::string();
    std::string root = full;
    if (root.back() != '\\') root += '\\';
    return root;
}

bool IsRemovableTestPath(const std::string& folder)
{
    const std::string root = TestTempRoot();
    if (root.size() < 4 || folder.size() <= root.size()) return false;
    if (_strnicmp(folder.c_str(), root.c_str(), root.size()) != 0) return false;
    // Something below the temp folder, not the temp folder itself, and no
    // component that climbs back out of it.
    const std::string rest = folder.substr(root.size());
    if (rest.find_first_not_of("\\/") == std::string::npos) return false;
    if (rest.find('/') != std::string::npos || rest.find(':') != std::string::npos) return false;
    if (rest.find_first_of("*?") != std::string::npos) return false;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        const std::string part = rest.substr(start, end - start);
        if (part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

namespace {

// Removes what lies below base (which ends in a backslash). A link is removed
// itself; what it points to is never entered.
void RemoveContents(const std::string& base)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((base + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = base + name;
        const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (folder && !link) RemoveContents(path + "\\");
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (folder)
            RemoveDirectoryA(path.c_str());
        else
            DeleteFileA(path.c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

}  // namespace

bool RemoveTree(const std::string& folder)
{
    if (!IsRemovableTestPath(folder)) return false;
    std::string base = folder;
    if (base.back() != '\\') base += '\\';
    const DWORD attributes = GetFileAttributesA(base.substr(0, base.size() - 1).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveContents(base);
    RemoveDirectoryA(base.c_str());
    return true;
}

void ClickPopupCancel(const std::string& textPart, DWORD waitMs)
{
    HWND button = nullptr;
    for (int i = 0; i < 1000 && !(button && IsWindowVisible(button)); ++i, Sleep(10))
        if (CurrentStatusText().find(textPart) != std::string::npos)
            button = StatusPopupWindow() ? GetDlgItem(StatusPopupWindow(), IDCANCEL) : nullptr;
    Sleep(waitMs);
    if (button) SendMessageA(button, BM_CLICK, 0, 0);
}
