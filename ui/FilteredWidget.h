#pragma once

#include <QPointer>
#include <QWidget>

namespace ui {

// The widget an object filters the events of, when that widget can be replaced: the engine
// makes a new input widget after the first load and after its render process restarts, and
// the filter has to move with it.
class FilteredWidget {
public:
    explicit FilteredWidget(QObject* filter) : filter_(filter) {}
    ~FilteredWidget() { follow(nullptr); }
    FilteredWidget(const FilteredWidget&) = delete;
    FilteredWidget& operator=(const FilteredWidget&) = delete;

    // Moves the filter to `widget` (none for nullptr). False when it was already there.
    bool follow(QWidget* widget)
    {
        if (widget == widget_)
            return false;
        if (widget_)
            widget_->removeEventFilter(filter_);
        widget_ = widget;
        if (widget)
            widget->installEventFilter(filter_);
        return true;
    }

    operator QWidget*() const { return widget_; }
    QWidget* operator->() const { return widget_; }

private:
    QObject* filter_;
    QPointer<QWidget> widget_;
};

} // namespace ui
