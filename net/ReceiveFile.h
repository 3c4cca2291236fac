#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "app/Handles.h"
#include "app/Sha256.h"

// What the server said of a file whose transfer ended early: enough to ask
// for the rest of exactly that file.
struct ResumeRecord {
    std::string url;
    std::string etag;          // a strong entity tag, or empty
    std::string lastModified;  // used when there is no entity tag
    uint64_t totalLength = 0;

    // The If-Range value; empty when the server gave no strong validator.
    const std::string& Validator() const { return etag.empty() ? lastModified : etag; }
};

// A file received under a temporary name in the folder of its target and
// moved over the target only by Commit, so a transfer that fails half-way
// leaves the previous copy of the target exactly as it was. A transfer that
// can be resumed keeps its temporary file and a small companion file with
// its ResumeRecord (KeepForResume); otherwise the temporary file is removed
// when the object goes.
class ReceiveFile {
public:
    ReceiveFile() = default;
    ~ReceiveFile();
    ReceiveFile(const ReceiveFile&) = delete;
    ReceiveFile& operator=(const ReceiveFile&) = delete;

    // Creates the temporary file beside target, empty; false with the last
    // error set, also when target is a read-only file or a folder.
    bool Create(const std::string& target);
    // Opens the temporary file a transfer of record.url to target left, to
    // append to it; returns the bytes it already holds, 0 when there is
    // nothing to resume (any leftover of another transfer is then removed).
    uint64_t Reopen(const std::string& target, const std::string& url, ResumeRecord& record);
    bool IsOpen() const { return file_.valid(); }

    // Writes all of data; false with the last error set.
    bool Write(const char* data, DWORD size);
    // Bytes written to the temporary file so far.
    uint64_t Size() const;
    // Hashes what the temporary file holds; writing goes on at its end.
    bool AddContentTo(Sha256& hash);

    // Remembers what the server said of the file, so that an early end keeps
    // the bytes received for the next transfer of the same address.
    void KeepForResume(const ResumeRecord& record);

    // Closes the file and puts it in place of target; false with the last
    // error set, the target then untouched.
    bool Commit(const std::string& target);

    // Closes and removes the temporary file and its record, keeping the last error.
    void Discard();

    const std::string& TempPath() const { return tempPath_; }

    // The temporary file a transfer to target uses: always the same name for
    // the same target, so that one left by a killed transfer can be found.
    static std::string TempPathFor(const std::string& target);
    // Removes such a leftover of an earlier transfer to target.
    static void RemoveLeftover(const std::string& target);
    // Removes the leftovers in folder (ending in a backslash) older than maxAgeDays.
    static void RemoveStaleLeftovers(const std::string& folder, int maxAgeDays);

private:
    bool OpenTemp(const std::string& target, DWORD disposition);

    UniqueHandle file_;
    std::string tempPath_;
    bool keep_ = false;
};

// Leftovers older than this are removed by the next transfer into their folder.
inline constexpr int kLeftoverMaxAgeDays = 14;
