// Requests as the sharing server reads them: a chunk header, then the body decoded by kind.
// Every input must end in a request or a BadRequest, never in a crash or another exception.
#include <cstdint>
#include <span>
#include <string_view>

#include "server/Request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    server::RequestKind kind;
    if (!server::is_request_tag(std::string_view(bytes, 4), &kind))
        return 0;
    const std::size_t length = std::size_t(data[4]) | std::size_t(data[5]) << 8 | std::size_t(data[6]) << 16 |
                               std::size_t(data[7]) << 24;
    const std::span<const char> body(bytes + 8, std::min(length, size - 8));
    try {
        const server::Request request = server::decode_request(kind, body);
        // A commit that decoded carries a package that parses again and a site URL.
        if (request.kind == server::RequestKind::commit && (request.url.empty() || request.package.empty()))
            __builtin_trap();
    } catch (const server::BadRequest&) {
    }
    return 0;
}
