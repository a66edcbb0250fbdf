#pragma once

#include <optional>
#include <vector>

#include "platform/ScrollMarks.h"

class QQuickWindow;

// The top document's vertical scroll as the frame the view has just rendered shows it, read
// from the scroll marks down the frame's left edge (platform/ScrollMarks.h). Read only where
// the view renders with OpenGL; elsewhere there is nothing to read.
class PresentedScroll {
public:
    // From the window's afterRendering, on its render thread. `scale` is device pixels to a
    // CSS pixel; `near` picks which repeat of the marks is meant, `palette` what they look like
    // (scroll_marks::decode).
    std::optional<int> read(QQuickWindow& window, double scale, int near, const scroll_marks::Palette& palette);
    // Whether the window's frames can be read at all.
    static bool readable(QQuickWindow& window);

private:
    std::vector<unsigned char> column_;
};
