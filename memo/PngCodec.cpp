#include <png.h>

#include <csetjmp>
#include <vector>

#include "memo/CodecDetail.h"
#include "memo/ImageCodec.h"

namespace memo {

namespace {

// Deflate cannot pack more than about 1032 bytes into one, so a PNG whose rows need more
// than this many times the remaining bytes is forged.
constexpr double kMinPngBytesPerPixel = 4.0 / 1100.0;

struct PngIo {
    rs2::BaseIStream* in = nullptr;
    rs2::BaseOStream* out = nullptr;
};

// The callbacks never let a C++ exception cross libpng; a short read is a PNG error.
void read_callback(png_structp png, png_bytep data, png_size_t length)
{
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (!detail::read_exact(*io->in, data, length))
        png_error(png, "truncated");
}

void write_callback(png_structp png, png_bytep data, png_size_t length)
{
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (!detail::write_all(*io->out, data, length))
        png_error(png, "write failed");
}

void flush_callback(png_structp) {}

void error_callback(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void warning_callback(png_structp, png_const_charp) {}

// Only plain data lives in the frames that setjmp returns to.
bool decode(png_structp png, png_infop info, MemoImage& image, rs2::BaseIStream& in)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
    if (!detail::plausible_size(in, long(w), long(h), kMinPngBytesPerPixel))
        return false;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != png_size_t(w) * 4)
        return false;
    image.create(int(w), int(h));
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < h; ++y)
            png_read_row(png, image.pixel(0, int(y)), nullptr);
    png_read_end(png, nullptr);
    return true;
}

bool encode(png_structp png, png_infop info, const MemoImage& image, bool alpha, png_bytep* rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    // The rows go out straight from the image: libpng swaps to RGB order and drops the
    // fourth byte when the file has no alpha.
    png_set_bgr(png);
    if (!alpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

} // namespace

bool PngCodec::read(rs2::BaseIStream& in)
{
    image_.clear();
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, error_callback, warning_callback);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    png_set_user_limits(png, MemoImage::kMaxSide, MemoImage::kMaxSide);
    png_set_chunk_malloc_max(png, 8u << 20);
    // Text, profiles and other metadata are never used, and libpng allocates a buffer of the
    // length a text chunk announces before reading it: a 300-byte file asked for 2 GiB. Chunks
    // handled as unknown and never kept are skipped a block at a time instead.
    static const png_byte kIgnored[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0tIME\0pCAL\0sCAL\0hIST\0";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored, int(sizeof kIgnored / 5));
    PngIo io{&in, nullptr};
    png_set_read_fn(png, &io, read_callback);
    const bool ok = decode(png, info, image_, in);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok)
        image_.clear();
    return ok;
}

bool PngCodec::write(rs2::BaseOStream& out)
{
    if (image_.empty())
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, error_callback, warning_callback);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    PngIo io{nullptr, &out};
    png_set_write_fn(png, &io, write_callback, flush_callback);
    std::vector<png_bytep> rows(std::size_t(image_.height()));
    for (int y = 0; y < image_.height(); ++y)
        rows[std::size_t(y)] = const_cast<png_bytep>(image_.pixel(0, y));
    const bool ok = encode(png, info, image_, with_alpha_, rows.data());
    png_destroy_write_struct(&png, &info);
    return ok;
}

} // namespace memo
