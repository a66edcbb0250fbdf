#pragma once

#include <QToolBar>

namespace ui {

// A band of the top bar area. The main window's tool bar layout sizes a band in a row by its
// size hint until the user drags it, and overrides resize(), so the band width saved by the
// last run is given back as the hint.
class BandBar : public QToolBar {
    Q_OBJECT
public:
    using QToolBar::QToolBar;

    // 0 keeps the band's own width.
    void set_saved_width(int width);
    QSize sizeHint() const override;

private:
    int saved_width_ = 0;
};

} // namespace ui
