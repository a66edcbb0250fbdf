#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "memo/MemoPackage.h"
#include "memo/MemoTypes.h"
#include "rs2/Chunk.h"
#include "rs2/SocketStream.h"

// The conversation with the sharing server: one short TCP connection per exchange, one chunk
// each way (a commit sends two requests on the same connection). Every operation returns
// false on any failure and never throws.
namespace share {

// One instant message, in the order of the wire records.
struct InstantMessage {
    std::string sender;
    std::string recipient;
    std::string text;
    bool operator==(const InstantMessage&) const = default;
};

// Seconds allowed for resolving the server's name and for connecting, and for each reply. An
// exchange as a whole ends within their sum (a commit's within two replies' time), however
// slowly the server sends or takes the bytes.
inline constexpr double kConnectSeconds = 0.5;
inline constexpr int kLongWait = 10;  // QUSR, SURL, IMSG, QMSG
inline constexpr int kShortWait = 2;  // QURL, GMEM, CMEM, DMEM

// Request chunks as the bytes that go on the wire: tag, length, body.
std::string make_user_list_request();
// Mode 0 to 3; false (chunk untouched) for any other mode.
bool make_search_request(std::string& out, std::uint32_t mode, memo::Time64 time, std::uint32_t days,
                         const std::string& text);
std::string make_message_request(const std::string& sender, const std::string& recipient, const std::string& text);
std::string make_poll_request(const std::string& user);
std::string make_check_request(const std::string& url, memo::Time64 time, bool has_content);
std::string make_fetch_request(const std::string& url);
std::string make_commit_request(const memo::MemoPackage& package);
std::string make_delete_request(const std::string& url);
// The whole chunk as bytes: tag, length, body.
std::string chunk_bytes(const rs2::Chunk& chunk);

// Waits for one reply chunk. The clock counts whole seconds, so a limit of 2 waits between 1
// and 2 seconds. False on time-out or when reading fails.
bool wait_chunk(rs2::SocketStream& stream, rs2::Chunk& chunk, int seconds);

bool get_user_list(const std::string& host, int port, std::vector<std::string>& users);
bool search_sites(const std::string& host, int port, std::uint32_t mode, memo::Time64 time, std::uint32_t days,
                  const std::string& text, std::vector<std::string>& urls, std::vector<memo::Time64>& times);
bool send_message(const std::string& host, int port, const std::string& sender, const std::string& recipient,
                  const std::string& text);
bool poll_messages(const std::string& host, int port, const std::string& user,
                   std::vector<InstantMessage>& messages);
// True when the server answered at all; fetch is set only by an "RURL" with a non-zero byte.
bool check_site(const std::string& host, int port, const std::string& url, memo::Time64 time, bool has_content,
                bool& fetch);
// On success the package holds the server's copy with its fetched time set to now. A copy
// whose pictures declare more pixels than memo::PictureBudget allows is refused undecoded and
// sets over_budget.
bool fetch_package(const std::string& host, int port, const std::string& url, memo::MemoPackage& package,
                   bool* over_budget = nullptr);
// GMEM, merge, CMEM on one connection. changed is true when the server's copy was merged in.
// Once the commit is acknowledged the package's fetched time is the moment the server's copy
// was read, so that a later merge knows the objects missing here were deleted here.
bool commit_package(const std::string& host, int port, memo::MemoPackage& package, bool& changed);
bool delete_package(const std::string& host, int port, const std::string& url);

// Folds the server's copy into the local package before it is sent back (worker thread).
void merge_for_commit(memo::MemoPackage& local, const memo::MemoPackage& server);
// Brings the open package up to what a commit stored (main thread): `sent` is the snapshot the
// commit started from, `committed` the package the server acknowledged. Objects that came from
// the server are added, those removed there are removed unless changed here since the
// snapshot, and what was deleted here meanwhile stays deleted. The fetched time is carried.
void apply_commit(memo::MemoPackage& open, const memo::MemoPackage& sent, const memo::MemoPackage& committed);
// Brings a local package up to a delivered one (main thread). Without geometry the local
// objects keep their rectangles.
void apply_server_package(memo::MemoPackage& local, const memo::MemoPackage& delivered, bool with_geometry);

} // namespace share
