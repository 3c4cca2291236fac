#pragma once
#include <string>
#include <vector>

// The decoded status reply of a race server. Fields the launcher does not use
// are kept under the offsets they come from.
struct ServerStatus {
    int value17 = 0;
    std::string text45;
    std::string text105;
    std::string vehicleClass;
    std::string track;
    int sessionNumber = 0;   // 0 and 1 practice, 2 qualifying, 3 warm-up, 4 and above race
    int sessionTime = 0;     // seconds
    int lapsValue = 0;       // laps to go in a race session
    int driverCount = 0;
    int byte208 = 0;
    int byte209 = 0;
    int byte211 = 0;
    int byte206 = 0;
};

// The request datagram and the largest reply accepted.
inline constexpr char kStatusRequest[] = "rF_S";  // sent with its terminating zero: 5 bytes
inline constexpr int kStatusReplyBufferSize = 1024;
inline constexpr int kStatusReplyMaxSize = kStatusReplyBufferSize - 1;
inline constexpr unsigned kStatusTimeoutMs = 100;

// The last raw reply, kept in the data folder for inspection.
inline constexpr char kStatusReplyFileName[] = "rf_response.txt";

// Asks the race server at host (dotted-decimal IPv4, no name lookup) and port
// for its state with one UDP request. On a reply from that address and port
// within the time-out it stores
// the raw reply as dataFolder + "rf_response.txt", fills status and returns
// true; otherwise returns false and leaves status alone. Shows no message.
bool QueryServerStatus(const std::string& host, int port, const std::string& dataFolder, ServerStatus& status);

// Decodes a reply as received (at most kStatusReplyMaxSize bytes; fields past
// its end read as 0 or empty).
ServerStatus DecodeServerStatus(const std::string& reply);

// One race server to ask.
struct StatusTarget {
    std::string host;  // dotted-decimal IPv4
    int port = 0;
};

// What one server said: nothing, or its raw reply.
struct StatusReply {
    bool answered = false;
    std::string bytes;
};

// Sends the status request to every target at once and collects the replies
// for at most kStatusTimeoutMs, ending early when every target has answered.
// A datagram counts only when it comes from exactly the address and port the
// request went to, and only the first one from there; one larger than
// kStatusReplyMaxSize counts as no answer. Returns one entry per target, in order.
std::vector<StatusReply> AskServersAtOnce(const std::vector<StatusTarget>& targets);

// Replaces dataFolder + "rf_response.txt" with reply; a failure is ignored.
void StoreStatusReply(const std::string& dataFolder, const std::string& reply);
