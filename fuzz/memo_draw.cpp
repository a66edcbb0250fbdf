// Memo files from untrusted bytes, drawn: coordinates, widths and sizes straight from the
// file reach the span filler, the soft-pen accumulator, stamps, photos and the effects.
#include <cstdint>
#include <memory>
#include <vector>

#include "memo/MemoPackage.h"
#include "rs2/DebugStream.h"

namespace {

// The canvas parts (text, one-pixel lines) belong to the graphics library; this one ignores
// them so that everything drawn by the memo library itself runs.
class NullCanvas : public memo::Canvas {
public:
    explicit NullCanvas(memo::MemoImage& image) : image_(image) {}
    memo::MemoImage& image() override { return image_; }
    void set_pen(const memo::Pen&) override {}
    void set_brush(const memo::Brush&) override {}
    void move_to(memo::Point) override {}
    void line_to(memo::Point) override {}
    void rectangle(const memo::Rect&) override {}
    void ellipse(const memo::Rect&) override {}
    void round_rect(const memo::Rect&, int, int) override {}
    void polygon(const std::vector<memo::Point>&) override {}
    void poly_bezier(const std::vector<memo::Point>&) override {}
    void set_font(const memo::LogFont&) override {}
    void set_text_colour(memo::Colour) override {}
    memo::Size text_extent(std::string_view sjis) override { return {int(sjis.size()) * 6, 12}; }
    void text_out(int, int, std::string_view) override {}
    void set_clip(const memo::Region&) override {}
    void clear_clip() override {}
    void stretch_image(const memo::MemoImage&, const memo::Rect&, bool) override {}

private:
    memo::MemoImage& image_;
};

// One canvas per image, kept across runs: nothing to allocate per drawing.
class NullCanvases : public memo::CanvasFactory {
public:
    memo::Canvas& canvas_for(memo::MemoImage& image) override
    {
        for (const auto& canvas : canvases_)
            if (&canvas->image() == &image)
                return *canvas;
        return *canvases_.emplace_back(std::make_unique<NullCanvas>(image));
    }
    void release() override { canvases_.clear(); }

private:
    std::vector<std::unique_ptr<NullCanvas>> canvases_;
};

// A small surface: every object draws the same code whatever the size, and a run costs what
// the pixels it touches cost. Objects are clipped to an area inside it with a margin, so that
// clipping at the update region and at the image's edges both run.
constexpr int kWidth = 64, kHeight = 48;
constexpr memo::Rect kUpdate{4, 4, kWidth - 4, kHeight - 4};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    rs2::trace().set_enabled(false);
    // Kept across runs; every run fills the target first, and effects fill what they use.
    static memo::MemoImage target(kWidth, kHeight), scratch1, scratch2;
    static NullCanvases canvases;
    const std::span<const char> bytes(reinterpret_cast<const char*>(data), size);
    try {
        target.fill(memo::rgb(255, 255, 255), 255);
        for (const auto& package : memo::parse_memo_file(bytes)) {
            memo::DrawContext ctx{target, scratch1, scratch2, memo::Region(kUpdate), {-3, 7}, canvases};
            // The budget of a full window, in proportion to this small surface: what is slow
            // on a 1280 x 1024 window is slow here, and the outlines drawn instead get run.
            ctx.budget = memo::kDrawBudget * kWidth * kHeight / (1280 * 1024);
            for (std::size_t i = 0; i < package->size(); ++i)
                package->at(i).draw(ctx);
        }
    } catch (const rs2::IOException&) {
    }
    return 0;
}
