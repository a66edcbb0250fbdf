#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace server {

// An address range as "ADDRESS/BITS" or a single address, IPv4 or IPv6. An IPv4 peer that
// arrives as an IPv4-mapped IPv6 address matches IPv4 ranges.
class AddressRange {
public:
    // Nothing when the text is no address or the prefix is out of range.
    static std::optional<AddressRange> parse(const std::string& text);
    // Ranges separated by commas; false (ranges untouched) when any is malformed.
    static bool parse_list(const std::string& text, std::vector<AddressRange>& ranges);
    // Loopback only: 127.0.0.0/8 and ::1.
    static std::vector<AddressRange> loopback();

    bool contains(const std::string& address) const;
    std::string text() const { return text_; }

private:
    bool v6_ = false;
    std::array<unsigned char, 16> bytes_{};
    int bits_ = 0;
    std::string text_;
};

// True when the address lies in one of the ranges.
bool address_allowed(const std::vector<AddressRange>& ranges, const std::string& address);

} // namespace server
