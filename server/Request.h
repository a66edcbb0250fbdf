#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "memo/MemoTypes.h"

// The server's side of the share protocol: decoding requests and encoding replies.
namespace server {

enum class RequestKind { user_list, search, message, poll, check, fetch, commit, remove };

// A request that does not decode: the connection is closed and the reason logged.
class BadRequest : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// A commit whose pictures declare more pixels than memo::PictureBudget allows.
class OverBudget : public BadRequest {
public:
    using BadRequest::BadRequest;
};

struct Request {
    RequestKind kind = RequestKind::user_list;
    // SURL
    std::uint32_t mode = 0;
    memo::Time64 time = 0; // SURL modes 0 to 2, QURL
    std::uint32_t days = 0;
    std::string text;      // SURL mode 3 search text, IMSG message text
    // IMSG, QMSG
    std::string sender;
    std::string recipient;
    std::string user;
    // QURL, GMEM, DMEM; CMEM: the package's own URL
    std::string url;
    bool has_content = false;
    // CMEM: the package bytes as received, its time, and whether it holds no object
    std::string package;
    memo::Time64 package_time = 0;
    bool package_empty = false;
};

// The four-character tag of a request, or false for anything else.
bool is_request_tag(std::string_view tag, RequestKind* kind = nullptr);
// Decodes the body of a request whose tag is_request_tag accepted. Every field must be
// present and nothing may follow the last one; a package must parse, its pictures judged by
// their headers within the picture budget. Throws BadRequest (OverBudget for pictures).
Request decode_request(RequestKind kind, std::span<const char> body);

struct SiteEntry {
    std::string url;
    memo::Time64 time = 0;
};

struct StoredMessage {
    std::string sender;
    std::string recipient;
    std::string text;
    std::int64_t id = 0; // the store's own number; not sent
};

// Replies: whole chunks as bytes.
std::string encode_user_list(const std::vector<std::string>& users);
std::string encode_sites(const std::vector<SiteEntry>& sites);
std::string encode_messages(const std::vector<StoredMessage>& messages);
std::string encode_check(bool fetch);
std::string encode_package(std::string_view package_bytes);
std::string encode_ack();
std::string encode_error();

} // namespace server
