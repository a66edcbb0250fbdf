#include "ui/BandBar.h"

namespace ui {

void BandBar::set_saved_width(int width)
{
    saved_width_ = width;
    updateGeometry();
}

QSize BandBar::sizeHint() const
{
    QSize hint = QToolBar::sizeHint();
    if (saved_width_ > 0 && orientation() == Qt::Horizontal)
        hint.setWidth(saved_width_);
    return hint;
}

} // namespace ui
