#include "app/ActivityIndicator.h"

#include <QPainter>
#include <utility>

ActivityIndicator::ActivityIndicator(QWidget* parent) : QWidget(parent)
{
    setFixedWidth(kWidth);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (!std::exchange(turning_, true))
            timer_.setInterval(kTurnMs);
        angle_ = (angle_ + 30) % 360;
        update();
    });
}

void ActivityIndicator::set_active(bool active)
{
    if (active && !timer_.isActive())
        timer_.start(kStillMs);
    else if (!active && timer_.isActive()) {
        timer_.stop();
        angle_ = 0;
        if (std::exchange(turning_, false))
            update();
    }
}

void ActivityIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 6;
    const QRectF ring((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    painter.setPen(QPen(palette().color(QPalette::Mid), 3));
    painter.drawEllipse(ring);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, -angle_ * 16, turning_ ? 90 * 16 : 360 * 16);
}
