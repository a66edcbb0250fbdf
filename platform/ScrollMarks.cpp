#include "platform/ScrollMarks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace scroll_marks {

namespace {

// Three bits in each channel, all near white so the marks stay faint on most pages, and
// none within reach of white itself.
constexpr int kFloor = 0xE0, kStep = 4, kCentre = 1;

// The mark whose colour the pixel has, give or take one in each channel: a row the mark
// covers wholly. A row it shares with the page is blended and not the mark's.
std::optional<int> mark_at(const unsigned char* p)
{
    int index = 0;
    for (int c = 0; c < 3; ++c) {
        const int level = (p[c] - kFloor) / kStep;
        if (p[c] < kFloor || std::abs(p[c] - (kFloor + kCentre + kStep * level)) > 1)
            return std::nullopt;
        index = index << 3 | level;
    }
    return index < kCount ? std::optional<int>(index) : std::nullopt;
}

} // namespace

std::array<int, 3> colour(int index)
{
    return {kFloor + kCentre + kStep * (index >> 6 & 7), kFloor + kCentre + kStep * (index >> 3 & 7),
            kFloor + kCentre + kStep * (index & 7)};
}

QString script()
{
    QString colours;
    for (int i = 0; i < kCount; ++i) {
        const auto c = colour(i);
        colours += QStringLiteral("%1%2,%3,%4").arg(i ? QStringLiteral(",") : QString()).arg(c[0]).arg(c[1]).arg(c[2]);
    }
    // The mark is the root's ::after, as tall as the document without it, under anything the
    // program itself puts topmost; the pattern is a picture drawn here, pixel exact where a
    // gradient would be blended.
    return QStringLiteral(R"JS(
(function () {
  var root = document.documentElement;
  if (!root || window.__scrollMarks) return;
  var spacing = %1, count = %2, colours = [%3];
  var canvas = document.createElement('canvas');
  canvas.width = 1;
  canvas.height = spacing * count;
  var context = canvas.getContext('2d'), image = context.createImageData(1, spacing * count);
  for (var i = 0; i < count; ++i)
    for (var o = 4 * spacing * i, end = o + 4 * %4; o < end; o += 4) {
      image.data[o] = colours[3 * i]; image.data[o + 1] = colours[3 * i + 1];
      image.data[o + 2] = colours[3 * i + 2]; image.data[o + 3] = 255;
    }
  context.putImageData(image, 0, 0);
  var sheet = new CSSStyleSheet();
  sheet.replaceSync("html::after{content:'';display:block;position:absolute;left:0;top:0;width:1px;height:0;" +
    "margin:0;padding:0;border:0;pointer-events:none;z-index:2147483646;image-rendering:pixelated;" +
    "background:url(" + canvas.toDataURL('image/png') + ") 0 0/1px " + spacing * count + "px repeat-y}" +
    "@media print{html::after{display:none!important}}");
  window.__scrollMarks = sheet;
  document.adoptedStyleSheets = document.adoptedStyleSheets.concat([sheet]);
  var rule = sheet.cssRules[0];
  function fit() {
    sheet.disabled = true;
    var height = root.scrollHeight;
    sheet.disabled = false;
    rule.style.height = height + 'px';
  }
  fit();
  new ResizeObserver(fit).observe(root);
})()
)JS")
        .arg(kSpacing)
        .arg(kCount)
        .arg(colours)
        .arg(kHeight);
}

std::optional<int> decode(const unsigned char* column, std::size_t rows, double scale, int near)
{
    if (!column || rows < 3 || !(scale > 0.1 && scale < 20))
        return std::nullopt;
    // A mark is a run of rows of one mark's colour, no taller than a mark, wholly inside the
    // column; its middle is the mark's middle, however its edges were blended.
    const int tallest = int(std::ceil(kHeight * scale)) + 1;
    std::vector<std::pair<int, int>> marks;  // mark, scroll
    std::size_t top = 0;
    std::optional<int> mark = mark_at(column);
    for (std::size_t r = 1; r <= rows; ++r) {
        const std::optional<int> next = r < rows ? mark_at(column + 4 * r) : std::nullopt;
        if (next == mark)
            continue;
        if (mark && top > 0 && r < rows && int(r - top) <= tallest) {
            const double middle = (top + r) / 2.0 / scale;
            marks.emplace_back(*mark, nearest_repeat(*mark * kSpacing + kHeight / 2.0 - middle, near));
        }
        top = r;
        mark = next;
    }
    // A mark shows once in a view: one seen twice is the page's own colour.
    std::sort(marks.begin(), marks.end());
    std::vector<int> scrolls;
    for (std::size_t i = 0; i < marks.size(); ++i)
        if ((i == 0 || marks[i - 1].first != marks[i].first) &&
            (i + 1 == marks.size() || marks[i + 1].first != marks[i].first))
            scrolls.push_back(marks[i].second);
    // The most marks agreeing within a pixel; a stray light line on the page agrees with none.
    std::sort(scrolls.begin(), scrolls.end());
    std::size_t best = 0, from = 0;
    for (std::size_t i = 0, j = 0; i < scrolls.size(); ++i) {
        while (scrolls[i] - scrolls[j] > 1)
            ++j;
        if (i - j + 1 > best) {
            best = i - j + 1;
            from = j;
        }
    }
    if (best < 2)
        return std::nullopt;
    return scrolls[from + (best - 1) / 2];
}

int nearest_repeat(double shown, int near)
{
    return int(std::lround(shown + std::round((near - shown) / kPeriod) * kPeriod));
}

} // namespace scroll_marks
