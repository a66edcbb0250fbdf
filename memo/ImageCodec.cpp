#include "memo/ImageCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "memo/CodecDetail.h"
#include "memo/RowWriter.h"
#include "rs2/IOException.h"

namespace memo {

void read_picture(rs2::BaseIStream& in, ImageCodec& codec)
{
    if (!codec.read(in))
        throw rs2::IOException("Invalid Image File");
}

void write_picture(rs2::BaseOStream& out, ImageCodec& codec)
{
    if (!codec.write(out))
        throw rs2::IOException("Invalid Image File");
}

namespace detail {

// Reads exactly n bytes; false when the stream ends or fails first.
bool read_exact(rs2::BaseIStream& in, void* dst, std::size_t n)
{
    try {
        return in.read(dst, n) == n;
    } catch (const rs2::IOException&) {
        return false;
    }
}

bool write_all(rs2::BaseOStream& out, const void* src, std::size_t n)
{
    try {
        return out.write(src, n);
    } catch (const rs2::IOException&) {
        return false;
    }
}

// A picture of w x h whose encoded form needs at least min_bytes_per_pixel bytes per pixel
// must fit in what the stream can still deliver; this keeps a forged header from allocating.
bool plausible_size(rs2::BaseIStream& in, long w, long h, double min_bytes_per_pixel)
{
    if (w <= 0 || h <= 0 || w > MemoImage::kMaxSide || h > MemoImage::kMaxSide)
        return false;
    return double(w) * double(h) * min_bytes_per_pixel <= double(in.readable_bound());
}

} // namespace detail

using detail::plausible_size;
using detail::read_exact;
using detail::write_all;

namespace {

inline std::uint16_t le16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
inline std::uint32_t le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
inline void put16(std::uint8_t* p, std::uint32_t v) { p[0] = std::uint8_t(v); p[1] = std::uint8_t(v >> 8); }
inline void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}

} // namespace

// ---- BMP ----

bool BmpCodec::read(rs2::BaseIStream& in)
{
    image_.clear();
    std::uint8_t file_header[14], info[40];
    if (!read_exact(in, file_header, 14) || file_header[0] != 'B' || file_header[1] != 'M')
        return false;
    if (!read_exact(in, info, 40))
        return false;
    const std::uint32_t info_size = le32(info);
    const std::int32_t width = std::int32_t(le32(info + 4));
    const std::int32_t raw_height = std::int32_t(le32(info + 8));
    const int bits = le16(info + 14);
    const std::uint32_t compression = le32(info + 16);
    const std::uint32_t offset = le32(file_header + 10);
    if (info_size < 40 || (bits != 24 && bits != 32) || (compression != 0 && compression != 3))
        return false;
    if (raw_height == INT32_MIN)
        return false;
    const bool top_down = raw_height < 0;
    const long height = top_down ? -long(raw_height) : long(raw_height);
    const std::size_t row_bytes = (std::size_t(width) * bits / 8 + 3) & ~std::size_t(3);
    // Skip to the pixel data.
    if (offset < 54)
        return false;
    if (offset - 54 > in.readable_bound())
        return false;
    for (std::uint32_t left = offset - 54; left > 0;) {
        std::uint8_t skip[256];
        const std::uint32_t n = std::min<std::uint32_t>(left, sizeof skip);
        if (!read_exact(in, skip, n))
            return false;
        left -= n;
    }
    if (!plausible_size(in, width, height, bits / 8.0))
        return false;
    image_.create(width, int(height));
    std::vector<std::uint8_t> row(row_bytes);
    for (long r = 0; r < height; ++r) {
        if (!read_exact(in, row.data(), row_bytes)) {
            image_.clear();
            return false;
        }
        const int y = top_down ? int(r) : int(height - 1 - r);
        std::uint8_t* d = image_.pixel(0, y);
        const std::uint8_t* s = row.data();
        for (int x = 0; x < width; ++x, d += 4, s += bits / 8) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = 255;
        }
    }
    return true;
}

bool BmpCodec::write(rs2::BaseOStream& out)
{
    if (image_.empty() || bits_ != 24)
        return false;
    BmpRowWriter writer(out, image_.width(), image_.height());
    for (int y = image_.height() - 1; y >= 0; --y)
        if (!writer.write_row(image_.pixel(0, y)))
            return false;
    return writer.finish();
}

namespace {

std::uint32_t bmp_row_bytes(int width)
{
    return (std::uint32_t(width) * 3 + 3) & ~3u;
}

} // namespace

BmpRowWriter::BmpRowWriter(rs2::BaseOStream& out, int width, int height)
    : out_(out), width_(width), height_(height)
{
    // The file's sizes are 32-bit: a larger picture cannot be a bitmap.
    const std::uint64_t pixel_bytes = std::uint64_t(bmp_row_bytes(width)) * std::uint64_t(std::max(height, 0));
    if (width <= 0 || height <= 0 || pixel_bytes > 0xFFFFFFFFu - 54) {
        failed_ = true;
        return;
    }
    row_ = std::make_unique<std::uint8_t[]>(bmp_row_bytes(width));
    std::memset(row_.get(), 0, bmp_row_bytes(width));
    std::uint8_t header[54] = {'B', 'M'};
    put32(header + 2, std::uint32_t(54 + pixel_bytes));
    put32(header + 10, 54);
    put32(header + 14, 40);
    put32(header + 18, std::uint32_t(width));
    put32(header + 22, std::uint32_t(height));
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, std::uint32_t(pixel_bytes));
    put32(header + 38, 2835); // 72 dpi
    put32(header + 42, 2835);
    failed_ = !write_all(out_, header, sizeof header);
}

bool BmpRowWriter::write_row(const std::uint8_t* bgra)
{
    if (failed_ || rows_ >= height_)
        return false;
    for (int x = 0; x < width_; ++x)
        std::memcpy(&row_[std::size_t(x) * 3], bgra + std::size_t(x) * 4, 3);
    failed_ = !write_all(out_, row_.get(), bmp_row_bytes(width_));
    ++rows_;
    return !failed_;
}

bool BmpRowWriter::finish()
{
    return !failed_ && rows_ == height_;
}

// ---- PPM ----

namespace {

// One header number of a PPM file, after whitespace and comments; -1 when malformed.
long ppm_number(rs2::BaseIStream& in, std::uint8_t& next)
{
    for (;;) {
        if (next == '#') {
            while (next != '\n')
                if (!read_exact(in, &next, 1))
                    return -1;
        }
        if (next != ' ' && next != '\t' && next != '\n' && next != '\r')
            break;
        if (!read_exact(in, &next, 1))
            return -1;
    }
    long value = 0;
    int digits = 0;
    while (next >= '0' && next <= '9') {
        value = value * 10 + (next - '0');
        if (++digits > 6)
            return -1;
        if (!read_exact(in, &next, 1))
            return -1;
    }
    return digits ? value : -1;
}

} // namespace

bool PpmCodec::read(rs2::BaseIStream& in)
{
    image_.clear();
    std::uint8_t magic[2], next = 0;
    if (!read_exact(in, magic, 2) || magic[0] != 'P' || magic[1] != '6' || !read_exact(in, &next, 1))
        return false;
    const long w = ppm_number(in, next);
    const long h = ppm_number(in, next);
    const long max = ppm_number(in, next);
    // Exactly one whitespace byte (already in next) ends the header.
    if (w <= 0 || h <= 0 || max != 255 || !(next == ' ' || next == '\n' || next == '\t' || next == '\r'))
        return false;
    if (!plausible_size(in, w, h, 3))
        return false;
    image_.create(int(w), int(h));
    std::vector<std::uint8_t> row(std::size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        if (!read_exact(in, row.data(), row.size())) {
            image_.clear();
            return false;
        }
        std::uint8_t* d = image_.pixel(0, y);
        for (long x = 0; x < w; ++x, d += 4) {
            d[0] = row[x * 3 + 2];
            d[1] = row[x * 3 + 1];
            d[2] = row[x * 3];
            d[3] = 255;
        }
    }
    return true;
}

bool PpmCodec::write(rs2::BaseOStream& out)
{
    if (image_.empty())
        return false;
    char header[64];
    const int n = std::snprintf(header, sizeof header, "P6 %d %d 255\n", image_.width(), image_.height());
    if (!write_all(out, header, std::size_t(n)))
        return false;
    std::vector<std::uint8_t> row(std::size_t(image_.width()) * 3);
    for (int y = 0; y < image_.height(); ++y) {
        const std::uint8_t* s = image_.pixel(0, y);
        for (int x = 0; x < image_.width(); ++x, s += 4) {
            row[std::size_t(x) * 3] = s[2];
            row[std::size_t(x) * 3 + 1] = s[1];
            row[std::size_t(x) * 3 + 2] = s[0];
        }
        if (!write_all(out, row.data(), row.size()))
            return false;
    }
    return true;
}

// ---- TGA ----

bool TgaCodec::read(rs2::BaseIStream& in)
{
    image_.clear();
    std::uint8_t h[18];
    if (!read_exact(in, h, 18))
        return false;
    const int id_length = h[0], colour_map = h[1], type = h[2];
    const int w = le16(h + 12), height = le16(h + 14), depth = h[16], descriptor = h[17];
    if (colour_map != 0 || (type != 2 && type != 10) || (depth != 24 && depth != 32))
        return false;
    std::uint8_t id[255];
    if (!read_exact(in, id, std::size_t(id_length)))
        return false;
    const int bpp = depth / 8;
    // Run-length data needs at least one byte per 128 pixels plus a pixel.
    if (!plausible_size(in, w, height, type == 2 ? bpp : double(bpp + 1) / 128))
        return false;
    image_.create(w, height);
    const bool top_down = (descriptor & 0x20) != 0;
    const std::size_t total = std::size_t(w) * height;
    std::vector<std::uint8_t> raw(total * bpp);
    bool ok = true;
    if (type == 2) {
        ok = read_exact(in, raw.data(), raw.size());
    } else {
        std::size_t done = 0;
        while (ok && done < total) {
            std::uint8_t packet;
            if (!read_exact(in, &packet, 1)) {
                ok = false;
                break;
            }
            const std::size_t count = std::min<std::size_t>((packet & 0x7F) + 1, total - done);
            if (packet & 0x80) {
                std::uint8_t px[4];
                ok = read_exact(in, px, std::size_t(bpp));
                for (std::size_t i = 0; ok && i < count; ++i)
                    std::memcpy(&raw[(done + i) * bpp], px, std::size_t(bpp));
            } else {
                ok = read_exact(in, &raw[done * bpp], count * bpp);
            }
            done += count;
        }
    }
    if (!ok) {
        image_.clear();
        return false;
    }
    for (int r = 0; r < height; ++r) {
        const int y = top_down ? r : height - 1 - r;
        std::uint8_t* d = image_.pixel(0, y);
        const std::uint8_t* s = &raw[std::size_t(r) * w * bpp];
        for (int x = 0; x < w; ++x, d += 4, s += bpp) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = bpp == 4 ? s[3] : 255;
        }
    }
    return true;
}

bool TgaCodec::write(rs2::BaseOStream& out)
{
    if (image_.empty() || bits_ != 32 || image_.width() > 65535 || image_.height() > 65535)
        return false;
    std::uint8_t h[18] = {};
    h[2] = 2;
    put16(h + 12, std::uint32_t(image_.width()));
    put16(h + 14, std::uint32_t(image_.height()));
    h[16] = 32;
    h[17] = 8; // eight alpha bits, rows bottom-up
    if (!write_all(out, h, sizeof h))
        return false;
    for (int y = image_.height() - 1; y >= 0; --y)
        if (!write_all(out, image_.pixel(0, y), std::size_t(image_.stride())))
            return false;
    return true;
}

} // namespace memo
