#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/MessageBox.h"

// Base of every test: starts from a missing settings key and a fresh temp
// folder, and answers message boxes. A message box the test did not announce
// with ExpectMessage fails the test.
class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The next message box must contain textPart; it is answered with answer.
    void ExpectMessage(const std::string& textPart, int answer = IDOK);
    const std::vector<MessageCall>& Messages() const { return messages_; }

    // A fresh folder for this test, ending in a backslash.
    const std::string& TempDir() const { return tempDir_; }
    // A sim folder "Sim\\" in the test folder with these player profiles
    // (each with its .PLR and settings folder) beside a "Documents" folder.
    // Returns the sim folder, ending in a backslash.
    std::string MakeSimFolder(std::initializer_list<const char*> profiles = {"Alex"}) const;
    std::string DocumentsFolder() const { return tempDir_ + "Documents"; }
    // A folder (ending in a backslash) holding "outside\\precious.txt" and
    // "tree\\link", a folder link to "outside"; empty when this system makes
    // none. Wine makes no links itself: tests/links.sh lays out such a folder
    // under the temp folder and names it in ZANT_LINK_FIXTURE.
    std::string LinkFixture() const;

private:
    struct Expectation {
        std::string textPart;
        int answer;
    };
    std::deque<Expectation> expected_;
    std::vector<MessageCall> messages_;
    std::string tempDir_;
};

// Small file helpers for tests.
void WriteTextFile(const std::string& path, const std::string& content);
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);
void MakeFolders(const std::string& path);
// The temp folder every test folder lies in, full and ending in a backslash.
std::string TestTempRoot();
// Whether folder is a path below the temp folder that tests may remove.
bool IsRemovableTestPath(const std::string& folder);
// Removes a folder tree below the temp folder, links removed but never
// followed; anything else is refused with false and left alone.
bool RemoveTree(const std::string& folder);
// Run on a thread of the test: waits until the status popup offers Cancel
// while its text holds textPart, lets waitMs more pass and clicks it.
void ClickPopupCancel(const std::string& textPart = "", DWORD waitMs = 0);
// The launcher's settings key, removed before and after every test.
void DeleteSettingsKey();
