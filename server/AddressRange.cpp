#include "server/AddressRange.h"

#include <arpa/inet.h>
#include <cstring>

namespace server {

namespace {

// The address as bytes: 4 for IPv4 (also when mapped into IPv6), 16 for IPv6.
bool address_bytes(const std::string& text, bool& v6, std::array<unsigned char, 16>& bytes)
{
    bytes = {};
    if (inet_pton(AF_INET, text.c_str(), bytes.data()) == 1) {
        v6 = false;
        return true;
    }
    if (inet_pton(AF_INET6, text.c_str(), bytes.data()) != 1)
        return false;
    static constexpr unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::memcmp(bytes.data(), mapped, 12) == 0) {
        std::memmove(bytes.data(), bytes.data() + 12, 4);
        std::memset(bytes.data() + 4, 0, 12);
        v6 = false;
        return true;
    }
    v6 = true;
    return true;
}

} // namespace

std::optional<AddressRange> AddressRange::parse(const std::string& text)
{
    AddressRange range;
    const auto slash = text.find('/');
    if (!address_bytes(text.substr(0, slash), range.v6_, range.bytes_))
        return std::nullopt;
    const int width = range.v6_ ? 128 : 32;
    range.bits_ = width;
    if (slash != std::string::npos) {
        const std::string digits = text.substr(slash + 1);
        if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        range.bits_ = std::stoi(digits);
        if (range.bits_ > width)
            return std::nullopt;
    }
    range.text_ = text;
    return range;
}

bool AddressRange::parse_list(const std::string& text, std::vector<AddressRange>& ranges)
{
    std::vector<AddressRange> parsed;
    std::size_t from = 0;
    for (;;) {
        const auto comma = text.find(',', from);
        const auto range = parse(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (!range)
            return false;
        parsed.push_back(*range);
        if (comma == std::string::npos)
            break;
        from = comma + 1;
    }
    ranges = std::move(parsed);
    return true;
}

std::vector<AddressRange> AddressRange::loopback()
{
    return {*parse("127.0.0.0/8"), *parse("::1")};
}

bool AddressRange::contains(const std::string& address) const
{
    bool v6 = false;
    std::array<unsigned char, 16> bytes{};
    if (!address_bytes(address, v6, bytes) || v6 != v6_)
        return false;
    const int whole = bits_ / 8;
    if (std::memcmp(bytes.data(), bytes_.data(), std::size_t(whole)) != 0)
        return false;
    const int rest = bits_ % 8;
    if (rest == 0)
        return true;
    const unsigned char mask = static_cast<unsigned char>(0xFF << (8 - rest));
    return (bytes[std::size_t(whole)] & mask) == (bytes_[std::size_t(whole)] & mask);
}

bool address_allowed(const std::vector<AddressRange>& ranges, const std::string& address)
{
    for (const auto& range : ranges)
        if (range.contains(address))
            return true;
    return false;
}

} // namespace server
