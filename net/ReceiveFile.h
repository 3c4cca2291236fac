#pragma once
#include <windows.h>
#include <string>

#include "app/Handles.h"

// A file received under a temporary name in the folder of its target and
// moved over the target only by Commit, so a transfer that fails half-way
// leaves the previous copy of the target exactly as it was. Without a Commit
// the temporary file is removed.
class ReceiveFile {
public:
    ReceiveFile() = default;
    ~ReceiveFile() { Discard(); }
    ReceiveFile(const ReceiveFile&) = delete;
    ReceiveFile& operator=(const ReceiveFile&) = delete;

    // Creates the temporary file beside target; false with the last error set,
    // also when target is a read-only file or a folder.
    bool Create(const std::string& target);
    bool IsOpen() const { return file_.valid(); }

    // Writes all of data; false with the last error set.
    bool Write(const char* data, DWORD size);

    // Closes the file and puts it in place of target; false with the last
    // error set, the target then untouched.
    bool Commit(const std::string& target);

    // Closes and removes the temporary file, keeping the last error.
    void Discard();

    const std::string& TempPath() const { return tempPath_; }

    // The temporary file a transfer to target uses: always the same name for
    // the same target, so that one left by a killed transfer can be found.
    static std::string TempPathFor(const std::string& target);
    // Removes such a leftover of an earlier transfer to target.
    static void RemoveLeftover(const std::string& target);

private:
    UniqueHandle file_;
    std::string tempPath_;
};
