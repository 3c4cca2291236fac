#pragma once
#include <windows.h>
#include <wininet.h>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Handles.h"
#include "app/Sha256.h"
#include "net/Download.h"
#include "net/ReceiveFile.h"

// One HTTP GET of DownloadFile: the request and its redirects, the read loop,
// and the receiving file with what it needs to resume. Every failure is
// reported where it happens; a cancelled transfer ends without a word.
class HttpTransfer {
public:
    HttpTransfer(const std::string& url, const std::string& localPath, const std::string& userName,
                 const std::string& password, const std::string& statusTitle, HttpErrorReply* errorReply,
                 std::string* sha256 = nullptr);
    bool Run();

private:
    bool OpenSession();
    // Sends the GET, following redirects, asking for the bytes from `from`
    // on when it is not 0.
    bool Request(uint64_t from);
    bool Connect(const std::string& host, INTERNET_PORT port, bool sameHost);
    bool Send(const std::string& object, uint64_t from);
    bool AcceptAnswer();
    // Asks for the file from `from` on and gets the file ready for the body:
    // a partial answer continues the kept bytes, any other starts over.
    bool Start(uint64_t from);
    // Whether the answer is the rest of exactly the kept bytes' file.
    bool ContinuesKeptFile();
    bool ReadLength();
    bool PrepareFile(bool continuing);
    bool ReadBody();
    // How much the next read asks for; false when the connection failed.
    bool ReadSize(DWORD& wanted);
    void MeasureLine(DWORD received);
    // After a read of no bytes: true to read on (Retry), false to give up.
    bool RetryEmptyRead();
    // Writes the buffered bytes; a failure is reported when report is set.
    bool Flush(bool report);
    bool Finish();
    void Fail(const std::string& message);

    const std::string& url_;
    const std::string& localPath_;
    const std::string& userName_;
    const std::string& password_;
    const std::string& title_;
    HttpErrorReply* errorReply_;
    std::string* sha256_;

    InternetHandle session_, connection_, request_;
    std::string firstHost_, host_;
    DWORD status_ = 0;
    bool secure_ = false;  // the address asked for now is https
    DWORD timeoutMs_ = 0;
    bool offersRanges_ = false;

    ReceiveFile file_;
    ResumeRecord record_;
    uint64_t kept_ = 0;         // bytes of an earlier transfer in the file
    uint64_t size_ = 0;         // the whole file's length
    uint64_t totalRead_ = 0;    // of it, in the file or the buffer
    std::vector<char> buffer_;
    DWORD fill_ = 0;
    DWORD packetSize_ = 0;
    Sha256 hash_;               // of the bytes written to the file
    bool keptUnhashed_ = false; // bytes of an earlier transfer not hashed yet
    bool wholePackets_ = false;  // the line is fast enough to wait for whole packets
    DWORD lineStart_ = 0;
    uint64_t lineBytes_ = 0;
};
