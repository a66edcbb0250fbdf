#include "memo/PngRowWriter.h"

#include <png.h>

#include <csetjmp>

#include "memo/CodecDetail.h"

namespace memo {

struct PngRowWriter::State {
    rs2::BaseOStream* out = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    int height = 0;
    int rows = 0;
    bool failed = false;
};

namespace {

void write_callback(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<rs2::BaseOStream*>(png_get_io_ptr(png));
    if (!detail::write_all(*out, data, length))
        png_error(png, "write failed");
}

void flush_callback(png_structp) {}

// libpng's errors come back to the setjmp of the call that made them.
void error_callback(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void warning_callback(png_structp, png_const_charp) {}

// Only plain data lives in the frames that setjmp returns to.
bool start(png_structp png, png_infop info, int width, int height)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    return true;
}

bool row(png_structp png, const std::uint8_t* bgra)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_row(png, bgra);
    return true;
}

bool end(png_structp png)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_end(png, nullptr);
    return true;
}

} // namespace

PngRowWriter::PngRowWriter(rs2::BaseOStream& out, int width, int height) : state_(std::make_unique<State>())
{
    State& s = *state_;
    s.out = &out;
    s.height = height;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, error_callback, warning_callback);
    s.info = s.png ? png_create_info_struct(s.png) : nullptr;
    if (!s.info || width <= 0 || height <= 0) {
        s.failed = true;
        return;
    }
    png_set_write_fn(s.png, s.out, write_callback, flush_callback);
    s.failed = !start(s.png, s.info, width, height);
}

PngRowWriter::~PngRowWriter()
{
    if (state_->png)
        png_destroy_write_struct(&state_->png, state_->info ? &state_->info : nullptr);
}

bool PngRowWriter::write_row(const std::uint8_t* bgra)
{
    State& s = *state_;
    if (s.failed || s.rows >= s.height)
        return false;
    s.failed = !row(s.png, bgra);
    ++s.rows;
    return !s.failed;
}

bool PngRowWriter::finish()
{
    State& s = *state_;
    if (s.failed || s.rows != s.height)
        return false;
    s.failed = !end(s.png);
    return !s.failed;
}

} // namespace memo
