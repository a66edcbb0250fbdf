#include "platform/ScrollMarks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

namespace scroll_marks {

namespace {

constexpr int kStep = 2;  // between the levels of a channel; a pixel one off is no mark's
// Bits of a mark's index in red, green and blue: green, which the eye sees best, takes the
// fewest, so it stays nearest the background.
constexpr std::array<int, 3> kBits{3, 2, 3};
static_assert(1 << (kBits[0] + kBits[1] + kBits[2]) == kCount);

constexpr int shift(int channel)
{
    return channel == 0 ? kBits[1] + kBits[2] : channel == 1 ? kBits[2] : 0;
}

// The mark whose colour the pixel has exactly: a row the mark covers wholly. A row it shares
// with the page is blended and not the mark's.
std::optional<int> mark_at(const unsigned char* p, const Palette& palette)
{
    int index = 0;
    for (int c = 0; c < 3; ++c) {
        const int offset = p[c] - palette.lowest[c];
        if (offset < 0 || offset >= kStep << kBits[c] || offset % kStep)
            return std::nullopt;
        index = index << kBits[c] | offset / kStep;
    }
    return index;
}

} // namespace

std::optional<Palette> palette_from(const QVariant& reported)
{
    const QVariantList list = reported.toList();
    if (list.size() != 3)
        return std::nullopt;
    Palette palette;
    for (int c = 0; c < 3; ++c) {
        bool number = false;
        palette.lowest[c] = list[c].toInt(&number);
        if (!number || palette.lowest[c] < 0 || palette.lowest[c] > 255 - kStep * ((1 << kBits[c]) - 1))
            return std::nullopt;
    }
    return palette;
}

std::array<int, 3> colour(int index, const Palette& palette)
{
    std::array<int, 3> rgb{};
    for (int c = 0; c < 3; ++c)
        rgb[c] = palette.lowest[c] + kStep * (index >> shift(c) & ((1 << kBits[c]) - 1));
    return rgb;
}

QString script()
{
    // The mark is the root's ::after, as tall as the document without it, under anything the
    // program itself puts topmost; the pattern is a picture drawn here, pixel exact where a
    // gradient would be blended. Its palette follows the colour the page shows at its left
    // edge: the backgrounds from the root down to what lies there, over the view's white.
    return QStringLiteral(R"JS(
(function () {
  var root = document.documentElement;
  if (!root || window.__scrollMarks) return;
  var spacing = %1, count = %2, height = %3, step = %4, bits = [%5, %6, %7];
  var marks = window.__scrollMarks = {palette: null};
  var probe = document.createElement('canvas').getContext('2d', {willReadFrequently: true});
  function shown() {
    var chain = [];
    for (var e = document.elementFromPoint(0, innerHeight / 2) || document.body || root; e; e = e.parentElement)
      chain.push(getComputedStyle(e).backgroundColor);
    probe.fillStyle = '#fff';
    probe.fillRect(0, 0, 1, 1);
    for (var i = chain.length - 1; i >= 0; --i) {
      probe.fillStyle = 'rgba(0,0,0,0)';
      probe.fillStyle = chain[i];
      probe.fillRect(0, 0, 1, 1);
    }
    return probe.getImageData(0, 0, 1, 1).data;
  }
  var canvas = document.createElement('canvas');
  canvas.width = 1;
  canvas.height = spacing * count;
  var context = canvas.getContext('2d');
  var sheet = new CSSStyleSheet();
  sheet.replaceSync("html::after{content:'';display:block;position:absolute;left:0;top:0;width:1px;height:0;" +
    "margin:0;padding:0;border:0;pointer-events:none;z-index:2147483646;image-rendering:pixelated;" +
    "background:0 0/1px " + spacing * count + "px repeat-y}@media print{html::after{display:none!important}}");
  var rule = sheet.cssRules[0];
  function paint() {
    var rgb = shown(), palette = [0, 1, 2].map(function (c) {
      return (rgb[c] & 0xF0) + (rgb[c] % 2 ? 0 : 1) + (bits[c] < 3 && (rgb[c] & 15) >= 8 ? 8 : 0);
    });
    if (marks.palette && marks.palette.join() === palette.join()) return;
    var image = context.createImageData(1, spacing * count);
    for (var i = 0; i < count; ++i) {
      var levels = [i >> bits[1] + bits[2], i >> bits[2] & (1 << bits[1]) - 1, i & (1 << bits[2]) - 1];
      for (var o = 4 * spacing * i, end = o + 4 * height; o < end; o += 4) {
        for (var c = 0; c < 3; ++c) image.data[o + c] = palette[c] + step * levels[c];
        image.data[o + 3] = 255;
      }
    }
    context.putImageData(image, 0, 0);
    rule.style.backgroundImage = 'url(' + canvas.toDataURL('image/png') + ')';
    marks.palette = palette;
  }
  // The column stands at the view's left edge: moved there once a sideways scroll has settled
  // (the vertical read works again), never beyond the document's own width. Only a sideways
  // move puts the settling off: a vertical scroll going on must not.
  var left = 0, seen = 0, settling = 0;
  function place(x) {
    if (x === left) return;
    left = x;
    rule.style.left = x + 'px';
  }
  function fit() {
    sheet.disabled = true;
    var tall = root.scrollHeight, x = Math.max(0, scrollX);
    sheet.disabled = false;
    rule.style.height = tall + 'px';
    place(x);
    paint();
  }
  addEventListener('scroll', function () {
    var x = Math.max(0, scrollX);
    if (x === seen && (settling || x === left)) return;
    seen = x;
    clearTimeout(settling);
    settling = setTimeout(function () {
      settling = 0;
      place(Math.max(0, scrollX));
    }, 100);
  }, {passive: true});
  paint();
  document.adoptedStyleSheets = document.adoptedStyleSheets.concat([sheet]);
  fit();
  new ResizeObserver(fit).observe(root);
  var restyled = new MutationObserver(function () { watch(); paint(); });
  function watch() {
    restyled.disconnect();
    restyled.observe(root, {attributes: true, childList: true});
    if (document.body) restyled.observe(document.body, {attributes: true});
  }
  watch();
  addEventListener('load', paint);
  matchMedia('(prefers-color-scheme: dark)').addEventListener('change', paint);
})()
)JS")
        .arg(kSpacing)
        .arg(kCount)
        .arg(kHeight)
        .arg(kStep)
        .arg(kBits[0])
        .arg(kBits[1])
        .arg(kBits[2]);
}

QString palette_query()
{
    return QStringLiteral("window.__scrollMarks ? window.__scrollMarks.palette : null");
}

std::optional<int> decode(const unsigned char* column, std::size_t rows, double scale, int near,
                          const Palette& palette)
{
    if (!column || rows < 3 || !(scale > 0.1 && scale < 20))
        return std::nullopt;
    // A mark is a run of rows of one mark's colour, no taller than a mark, wholly inside the
    // column; its middle is the mark's middle, however its edges were blended.
    const int tallest = int(std::ceil(kHeight * scale)) + 1;
    std::vector<std::pair<int, int>> marks;  // scroll, mark
    std::size_t top = 0;
    std::optional<int> mark = mark_at(column, palette);
    for (std::size_t r = 1; r <= rows; ++r) {
        const std::optional<int> next = r < rows ? mark_at(column + 4 * r, palette) : std::nullopt;
        if (next == mark)
            continue;
        if (mark && top > 0 && r < rows && int(r - top) <= tallest) {
            const double middle = (top + r) / 2.0 / scale;
            marks.emplace_back(nearest_repeat(*mark * kSpacing + kHeight / 2.0 - middle, near), *mark);
        }
        top = r;
        mark = next;
    }
    // The most different marks agreeing within a pixel. A row blended from a mark and the
    // page may have another mark's colour and the page may have any of them, but a stray
    // line agrees with none, and a mark shows once in a view: stripes of one colour are the
    // page's own.
    std::sort(marks.begin(), marks.end());
    std::array<int, kCount> seen{};
    int distinct = 0, best = 0;
    std::size_t from = 0, to = 0;
    for (std::size_t i = 0, j = 0; i < marks.size(); ++i) {
        distinct += seen[marks[i].second]++ == 0;
        for (; std::int64_t{marks[i].first} - marks[j].first > 1; ++j)
            distinct -= --seen[marks[j].second] == 0;
        if (distinct > best) {
            best = distinct;
            from = j;
            to = i + 1;
        }
    }
    if (best < 2)
        return std::nullopt;
    return marks[(from + to - 1) / 2].first;
}

// `near` comes from earlier frames the page drew: far out of range, it is held to what an int
// can name rather than overflow.
int nearest_repeat(double shown, int near)
{
    const double repeat = std::round(shown + std::round((near - shown) / kPeriod) * kPeriod);
    return int(std::clamp(repeat, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

} // namespace scroll_marks
