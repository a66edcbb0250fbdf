#pragma once

#include <QTimer>
#include <QWidget>

// The activity animation at the right end of the menu bar row: a turning ring while a page
// loads, still otherwise. A load shorter than kStillMs leaves the ring still: each turn
// repaints the window, which would only slow such a load down, and the page shows itself.
class ActivityIndicator : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 39;
    static constexpr int kStillMs = 400;
    static constexpr int kTurnMs = 80;

    explicit ActivityIndicator(QWidget* parent = nullptr);
    void set_active(bool active);
    bool active() const { return timer_.isActive(); }
    QSize sizeHint() const override { return {kWidth, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer_;
    bool turning_ = false;
    int angle_ = 0;
};
