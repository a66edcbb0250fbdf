#pragma once

#include "memo/MemoImage.h"
#include "rs2/Stream.h"

namespace memo {

// Moves one picture format between a MemoImage and an rs2 stream. read and write report
// failure by returning false (a damaged or truncated file, a picture larger than
// MemoImage::kMaxSide, a stream error); a failed read leaves the image empty.
class ImageCodec {
public:
    explicit ImageCodec(MemoImage& image) : image_(image) {}
    virtual ~ImageCodec() = default;
    virtual bool read(rs2::BaseIStream& in) = 0;
    virtual bool write(rs2::BaseOStream& out) = 0;

protected:
    MemoImage& image_;
};

// PNG: reads any PNG into BGRA (alpha 255 when the file has none); writes RGBA 8-bit when
// with_alpha, else RGB 8-bit, compression level 9 with all row filters.
class PngCodec : public ImageCodec {
public:
    PngCodec(MemoImage& image, bool with_alpha) : ImageCodec(image), with_alpha_(with_alpha) {}
    bool read(rs2::BaseIStream& in) override;
    bool write(rs2::BaseOStream& out) override;

private:
    bool with_alpha_;
};

// JPEG (JFIF): reads into BGRA with alpha 255; writes RGB at the given quality.
class JpegCodec : public ImageCodec {
public:
    explicit JpegCodec(MemoImage& image, int quality = 75, int components = 3)
        : ImageCodec(image), quality_(quality), components_(components) {}
    bool read(rs2::BaseIStream& in) override;
    bool write(rs2::BaseOStream& out) override;

private:
    int quality_;
    int components_;
};

// Windows bitmap: reads uncompressed 24- and 32-bit files; writes 24-bit.
class BmpCodec : public ImageCodec {
public:
    explicit BmpCodec(MemoImage& image, int bits = 24) : ImageCodec(image), bits_(bits) {}
    bool read(rs2::BaseIStream& in) override;
    bool write(rs2::BaseOStream& out) override;

private:
    int bits_;
};

// Raw PPM ("P6"): writes "P6 <w> <h> 255\n" and rows of red, green, blue.
class PpmCodec : public ImageCodec {
public:
    explicit PpmCodec(MemoImage& image) : ImageCodec(image) {}
    bool read(rs2::BaseIStream& in) override;
    bool write(rs2::BaseOStream& out) override;
};

// Targa: reads true-colour files of 24 or 32 bits, plain or run-length encoded; writes
// uncompressed 32-bit with 8 alpha bits.
class TgaCodec : public ImageCodec {
public:
    explicit TgaCodec(MemoImage& image, int bits = 32) : ImageCodec(image), bits_(bits) {}
    bool read(rs2::BaseIStream& in) override;
    bool write(rs2::BaseOStream& out) override;

private:
    int bits_;
};

// Run the codec; a false result becomes rs2::IOException("Invalid Image File").
void read_picture(rs2::BaseIStream& in, ImageCodec& codec);
void write_picture(rs2::BaseOStream& out, ImageCodec& codec);

} // namespace memo
