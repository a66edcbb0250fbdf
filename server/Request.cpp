#include "server/Request.h"

#include "memo/ByteIO.h"
#include "memo/MemoPackage.h"
#include "memo/PictureBudget.h"
#include "rs2/IOException.h"

namespace server {

namespace {

constexpr std::string_view kTags[] = {"QUSR", "SURL", "IMSG", "QMSG", "QURL", "GMEM", "CMEM", "DMEM"};

std::string chunk(std::string_view tag, const memo::ByteWriter& body)
{
    memo::ByteWriter out;
    out.raw(tag.data(), 4);
    out.u32(std::uint32_t(body.view().size()));
    out.raw(body.view().data(), body.view().size());
    return out.take();
}

void expect_end(const memo::ByteReader& in)
{
    if (!in.at_end())
        throw BadRequest(std::to_string(in.remaining()) + " bytes after the last field");
}

} // namespace

bool is_request_tag(std::string_view tag, RequestKind* kind)
{
    for (std::size_t i = 0; i < std::size(kTags); ++i)
        if (tag == kTags[i]) {
            if (kind)
                *kind = RequestKind(i);
            return true;
        }
    return false;
}

Request decode_request(RequestKind kind, std::span<const char> body)
{
    Request request;
    request.kind = kind;
    memo::ByteReader in(body);
    try {
        switch (kind) {
        case RequestKind::user_list:
            break;
        case RequestKind::search:
            request.mode = in.u32();
            if (request.mode <= 2) {
                request.time = in.i64();
                request.days = in.u32();
                in.u8(); // the line feed after the days
            } else if (request.mode == 3) {
                request.text = in.string();
            } else {
                throw BadRequest("search mode " + std::to_string(request.mode));
            }
            break;
        case RequestKind::message:
            request.sender = in.string();
            request.recipient = in.string();
            request.text = in.string();
            break;
        case RequestKind::poll:
            request.user = in.string();
            break;
        case RequestKind::check:
            request.url = in.string();
            request.time = in.i64();
            request.has_content = in.u8() != 0;
            break;
        case RequestKind::fetch:
        case RequestKind::remove:
            request.url = in.string();
            break;
        case RequestKind::commit: {
            // Pictures are judged by their headers and never decoded here: a small request
            // can declare gigabytes of pixels.
            if (const std::string excess = memo::picture_budget_excess(body); !excess.empty())
                throw OverBudget(excess);
            const memo::PicturesUndecoded headers_only;
            memo::MemoPackage package;
            if (!package.read_record(in))
                throw BadRequest("commit without a package");
            if (package.url.empty())
                throw BadRequest("package without a site URL");
            // Browsers would cut such values back when reading; refused here, they never
            // reach another browser at all.
            if (const std::string value = memo::first_limited_value(package); !value.empty())
                throw BadRequest("package with a value no drawing tool makes: " + value);
            request.url = package.url;
            request.package_time = package.time;
            request.package_empty = package.empty();
            request.package.assign(body.data(), body.size() - in.remaining());
            break;
        }
        }
        expect_end(in);
    } catch (const BadRequest&) {
        throw;
    } catch (const std::exception& damage) {
        throw BadRequest(damage.what());
    }
    return request;
}

std::string encode_user_list(const std::vector<std::string>& users)
{
    memo::ByteWriter body;
    body.u32(std::uint32_t(users.size()));
    for (const auto& name : users)
        body.string(name);
    return chunk("USRL", body);
}

std::string encode_sites(const std::vector<SiteEntry>& sites)
{
    memo::ByteWriter body;
    body.u32(std::uint32_t(sites.size()));
    for (const auto& site : sites) {
        body.string(site.url);
        body.i64(site.time);
    }
    return chunk("RESL", body);
}

std::string encode_messages(const std::vector<StoredMessage>& messages)
{
    memo::ByteWriter body;
    body.u32(std::uint32_t(messages.size()));
    for (const auto& message : messages) {
        const std::size_t at = body.begin("IMSG");
        body.string(message.sender);
        body.string(message.recipient);
        body.string(message.text);
        body.end(at);
    }
    return chunk("RMSG", body);
}

std::string encode_check(bool fetch)
{
    memo::ByteWriter body;
    body.u8(fetch ? 1 : 0);
    return chunk("RURL", body);
}

std::string encode_package(std::string_view package_bytes)
{
    std::string out("AMEM");
    memo::ByteWriter length;
    length.u32(std::uint32_t(package_bytes.size()));
    out += length.view();
    out += package_bytes;
    return out;
}

std::string encode_ack()
{
    return chunk("ACKM", {});
}

std::string encode_error()
{
    return chunk("ERRO", {});
}

} // namespace server
