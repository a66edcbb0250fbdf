#pragma once

#include <cstdint>
#include <span>
#include <string>

// How many pixels the pictures of a package may hold, judged from their headers alone: a few
// hundred bytes of PNG can declare a picture of gigabytes, and only decoding would find out.
namespace memo {

struct PictureBudget {
    // About a 6000 × 4000 photo, 96 MB once decoded.
    std::uint64_t per_picture = 24'000'000;
    std::uint64_t per_package = 48'000'000;
};

// Width and height that a PNG or JPEG declares in its header; false when the bytes are neither
// or the header is damaged. Reads no pixel data.
bool picture_size(std::span<const char> bytes, std::uint32_t& width, std::uint32_t& height);

// Walks the pictures of a serialized package (its thumbnail and its photos) by their headers.
// Empty when the package keeps within the budget, else why it does not, as
// "photo [3] of 30000 × 30000 pixels beyond the budget of 24000000". Bytes that are no package
// are left to the package reader and pass here.
std::string picture_budget_excess(std::span<const char> package_bytes, const PictureBudget& budget = {});

// While one lives on a thread, packages read on that thread check the headers of their
// pictures and leave the pixels undecoded (photos and thumbnails stay empty). For those who
// keep and pass on package bytes but never draw them: the sharing server.
class PicturesUndecoded {
public:
    PicturesUndecoded();
    ~PicturesUndecoded();
    PicturesUndecoded(const PicturesUndecoded&) = delete;
    PicturesUndecoded& operator=(const PicturesUndecoded&) = delete;

private:
    bool before_;
};
// False while a PicturesUndecoded lives on this thread.
bool pictures_decoded();
// The header check that takes a picture's place when pixels are not decoded: throws
// rs2::IOException("Invalid Image File") when the header does not read.
void check_picture_header(std::span<const char> bytes);

} // namespace memo
