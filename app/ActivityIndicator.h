#pragma once

#include <QTimer>
#include <QWidget>

// The activity animation at the right end of the menu bar row: a turning ring while a page
// loads, still otherwise.
class ActivityIndicator : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 39;

    explicit ActivityIndicator(QWidget* parent = nullptr);
    void set_active(bool active);
    bool active() const { return timer_.isActive(); }
    QSize sizeHint() const override { return {kWidth, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer_;
    int angle_ = 0;
};
