#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstdint>
#include <memory>
#include <vector>

#include "memo/CodecDetail.h"
#include "memo/ImageCodec.h"
#include "memo/RowWriter.h"

namespace memo {

namespace {

// An entropy-coded block takes at least a few bits; the bound stops forged headers from
// allocating far more than the file could describe.
constexpr double kMinJpegBytesPerPixel = 1.0 / 1024.0;
constexpr std::size_t kBlock = 4096;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void error_exit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void output_message(j_common_ptr) {}

struct Source {
    jpeg_source_mgr base;
    rs2::BaseIStream* in;
    JOCTET buffer[kBlock];
};

void init_source(j_decompress_ptr) {}

boolean fill_input_buffer(j_decompress_ptr info)
{
    auto* src = reinterpret_cast<Source*>(info->src);
    std::size_t got = 0;
    try {
        got = src->in->read(src->buffer, kBlock);
    } catch (const rs2::IOException&) {
        got = 0;
    }
    // A truncated file is an error, not a picture padded with grey.
    if (got == 0)
        ERREXIT(info, JERR_INPUT_EOF);
    src->base.next_input_byte = src->buffer;
    src->base.bytes_in_buffer = got;
    return TRUE;
}

void skip_input_data(j_decompress_ptr info, long count)
{
    auto* src = reinterpret_cast<Source*>(info->src);
    while (count > long(src->base.bytes_in_buffer)) {
        count -= long(src->base.bytes_in_buffer);
        fill_input_buffer(info);
    }
    if (count > 0) {
        src->base.next_input_byte += count;
        src->base.bytes_in_buffer -= std::size_t(count);
    }
}

void term_source(j_decompress_ptr) {}

struct Destination {
    jpeg_destination_mgr base;
    rs2::BaseOStream* out;
    JOCTET buffer[kBlock];
};

void init_destination(j_compress_ptr info)
{
    auto* dst = reinterpret_cast<Destination*>(info->dest);
    dst->base.next_output_byte = dst->buffer;
    dst->base.free_in_buffer = kBlock;
}

boolean empty_output_buffer(j_compress_ptr info)
{
    auto* dst = reinterpret_cast<Destination*>(info->dest);
    if (!detail::write_all(*dst->out, dst->buffer, kBlock))
        ERREXIT(info, JERR_FILE_WRITE);
    init_destination(info);
    return TRUE;
}

void term_destination(j_compress_ptr info)
{
    auto* dst = reinterpret_cast<Destination*>(info->dest);
    const std::size_t n = kBlock - dst->base.free_in_buffer;
    if (n && !detail::write_all(*dst->out, dst->buffer, n))
        ERREXIT(info, JERR_FILE_WRITE);
}

bool decode(jpeg_decompress_struct* info, Source* src, MemoImage& image, rs2::BaseIStream& in)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    if (setjmp(err->jump))
        return false;
    jpeg_create_decompress(info);
    info->src = &src->base;
    jpeg_read_header(info, TRUE);
    // What the source manager already holds counts as still to read.
    const double pending = double(src->base.bytes_in_buffer) + double(in.readable_bound());
    const double w = info->image_width, h = info->image_height;
    if (w > MemoImage::kMaxSide || h > MemoImage::kMaxSide || w * h * kMinJpegBytesPerPixel > pending)
        return false;
    info->out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(info);
    if (info->output_components != 4)
        return false;
    image.create(int(info->output_width), int(info->output_height));
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = image.pixel(0, int(info->output_scanline));
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    return true;
}

bool start_compress(jpeg_compress_struct* info, ErrorManager* err, Destination* dst, int width, int height,
                    int quality)
{
    if (setjmp(err->jump))
        return false;
    jpeg_create_compress(info);
    info->dest = &dst->base;
    info->image_width = JDIMENSION(width);
    info->image_height = JDIMENSION(height);
    // Fed straight from BGRA rows; the file holds the usual three components.
    info->input_components = 4;
    info->in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    jpeg_start_compress(info, TRUE);
    return true;
}

bool compress_row(jpeg_compress_struct* info, ErrorManager* err, const std::uint8_t* bgra)
{
    if (setjmp(err->jump))
        return false;
    JSAMPROW row = const_cast<JSAMPROW>(bgra);
    jpeg_write_scanlines(info, &row, 1);
    return true;
}

bool finish_compress(jpeg_compress_struct* info, ErrorManager* err)
{
    if (setjmp(err->jump))
        return false;
    jpeg_finish_compress(info);
    return true;
}

} // namespace

bool JpegCodec::read(rs2::BaseIStream& in)
{
    image_.clear();
    jpeg_decompress_struct info{};
    ErrorManager err{};
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = error_exit;
    err.base.output_message = output_message;
    auto src = std::make_unique<Source>();
    src->base.init_source = init_source;
    src->base.fill_input_buffer = fill_input_buffer;
    src->base.skip_input_data = skip_input_data;
    src->base.resync_to_restart = jpeg_resync_to_restart;
    src->base.term_source = term_source;
    src->base.bytes_in_buffer = 0;
    src->base.next_input_byte = nullptr;
    src->in = &in;
    const bool ok = decode(&info, src.get(), image_, in);
    jpeg_destroy_decompress(&info);
    if (!ok)
        image_.clear();
    return ok;
}

bool JpegCodec::write(rs2::BaseOStream& out)
{
    if (image_.empty() || components_ != 3)
        return false;
    JpegRowWriter writer(out, image_.width(), image_.height(), quality_);
    for (int y = 0; y < image_.height(); ++y)
        if (!writer.write_row(image_.pixel(0, y)))
            return false;
    return writer.finish();
}

// libjpeg's errors come back to the setjmp of the call that made them: every call into it
// sets its own, with only plain data in the frame.
struct JpegRowWriter::State {
    jpeg_compress_struct info{};
    ErrorManager err{};
    Destination dst{};
    int height = 0;
    int rows = 0;
    bool failed = false;
};

JpegRowWriter::JpegRowWriter(rs2::BaseOStream& out, int width, int height, int quality)
    : state_(std::make_unique<State>())
{
    State& s = *state_;
    s.height = height;
    s.info.err = jpeg_std_error(&s.err.base);
    s.err.base.error_exit = error_exit;
    s.err.base.output_message = output_message;
    s.dst.base.init_destination = init_destination;
    s.dst.base.empty_output_buffer = empty_output_buffer;
    s.dst.base.term_destination = term_destination;
    s.dst.out = &out;
    s.failed = width <= 0 || height <= 0 || !start_compress(&s.info, &s.err, &s.dst, width, height, quality);
}

JpegRowWriter::~JpegRowWriter()
{
    // Safe also when compression never started: the structure is zeroed.
    jpeg_destroy_compress(&state_->info);
}

bool JpegRowWriter::write_row(const std::uint8_t* bgra)
{
    State& s = *state_;
    if (s.failed || s.rows >= s.height)
        return false;
    s.failed = !compress_row(&s.info, &s.err, bgra);
    ++s.rows;
    return !s.failed;
}

bool JpegRowWriter::finish()
{
    State& s = *state_;
    if (s.failed || s.rows != s.height)
        return false;
    s.failed = !finish_compress(&s.info, &s.err);
    return !s.failed;
}

} // namespace memo
