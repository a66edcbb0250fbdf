#include "memo/PictureBudget.h"

#include <string_view>

#include "memo/ByteIO.h"
#include "memo/MemoImage.h"
#include "memo/MemoObject.h"
#include "rs2/IOException.h"

namespace memo {

namespace {

thread_local bool skip_pixels = false;

std::uint32_t big_endian(std::span<const char> bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | std::uint8_t(bytes[at + std::size_t(i)]);
    return value;
}

bool png_size(std::span<const char> bytes, std::uint32_t& width, std::uint32_t& height)
{
    // Signature, then the IHDR chunk: length, "IHDR", width, height.
    constexpr std::string_view signature("\x89PNG\r\n\x1a\n", 8);
    if (bytes.size() < 24 || std::string_view(bytes.data(), 8) != signature ||
        std::string_view(bytes.data() + 12, 4) != "IHDR")
        return false;
    width = big_endian(bytes, 16, 4);
    height = big_endian(bytes, 20, 4);
    return width > 0 && height > 0;
}

bool jpeg_size(std::span<const char> bytes, std::uint32_t& width, std::uint32_t& height)
{
    if (bytes.size() < 4 || std::uint8_t(bytes[0]) != 0xFF || std::uint8_t(bytes[1]) != 0xD8)
        return false;
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (std::uint8_t(bytes[at]) != 0xFF)
            return false;
        const std::uint8_t marker = std::uint8_t(bytes[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // markers without a length
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // scan or end before any frame header
            return false;
        const std::uint32_t length = big_endian(bytes, at + 2, 2);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7 || at + 9 > bytes.size())
                return false;
            height = big_endian(bytes, at + 5, 2);
            width = big_endian(bytes, at + 7, 2);
            return width > 0 && height > 0;
        }
        if (length < 2)
            return false;
        at += 2 + length;
    }
    return false;
}

std::string pixels_text(std::uint32_t width, std::uint32_t height)
{
    return std::to_string(width) + " × " + std::to_string(height) + " pixels";
}

} // namespace

bool picture_size(std::span<const char> bytes, std::uint32_t& width, std::uint32_t& height)
{
    return png_size(bytes, width, height) || jpeg_size(bytes, width, height);
}

std::string picture_budget_excess(std::span<const char> package_bytes, const PictureBudget& budget)
{
    std::uint64_t total = 0;
    // One picture's pixels against both limits; its name for the reason.
    auto count = [&](std::span<const char> picture, const std::string& name) -> std::string {
        std::uint32_t width = 0, height = 0;
        if (!picture_size(picture, width, height))
            return {}; // the reader refuses it as damage
        const std::uint64_t pixels = std::uint64_t(width) * height;
        if (pixels > budget.per_picture)
            return name + " of " + pixels_text(width, height) + " beyond the budget of " +
                   std::to_string(budget.per_picture);
        total += pixels;
        if (total > budget.per_package)
            return "pictures of " + std::to_string(total) + " pixels in all (up to " + name +
                   ") beyond the package budget of " + std::to_string(budget.per_package);
        return {};
    };
    try {
        ByteReader reader(package_bytes);
        ByteReader pack;
        if (reader.record(pack) != "PACK")
            return {};
        while (!pack.at_end()) {
            ByteReader field;
            const std::string_view tag = pack.record(field);
            if (tag == "THUM") {
                if (auto excess = count(field.rest(), "thumbnail"); !excess.empty())
                    return excess;
            } else if (tag == "OBJS") {
                const std::uint32_t objects = field.u32();
                for (std::uint32_t i = 0; i < objects; ++i) {
                    const std::uint32_t kind = field.u32();
                    ByteReader object;
                    field.record(object);
                    if (kind != std::uint32_t(MemoKind::Photo))
                        continue;
                    while (!object.at_end()) {
                        ByteReader value;
                        const std::string_view name = object.record(value);
                        if (name != "PNGI" && name != "IMAG")
                            continue;
                        if (auto excess = count(value.rest(), "photo [" + std::to_string(i) + "]"); !excess.empty())
                            return excess;
                    }
                }
            }
        }
    } catch (const rs2::IOException&) {
        // Damage is the package reader's to report.
    }
    return {};
}

PicturesUndecoded::PicturesUndecoded() : before_(skip_pixels)
{
    skip_pixels = true;
}

PicturesUndecoded::~PicturesUndecoded()
{
    skip_pixels = before_;
}

bool pictures_decoded()
{
    return !skip_pixels;
}

void check_picture_header(std::span<const char> bytes)
{
    // The same sides the decoders refuse: what passes here must decode for every browser.
    std::uint32_t width = 0, height = 0;
    if (!picture_size(bytes, width, height) || width > std::uint32_t(MemoImage::kMaxSide) ||
        height > std::uint32_t(MemoImage::kMaxSide))
        throw rs2::IOException("Invalid Image File");
}

} // namespace memo
