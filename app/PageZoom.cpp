#include "app/PageZoom.h"

#include <QUrl>
#include <QWebEnginePage>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>

#include "platform/RegistryStore.h"

namespace {

constexpr std::array<int, 15> kSteps{25, 33, 50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};
const QString kZoomKey = QStringLiteral("Software\\Marvo\\Zoom");
using Root = platform::RegistryStore::Root;

} // namespace

PageZoom::PageZoom(QWebEnginePage& page, platform::RegistryStore& store, QObject* parent)
    : QObject(parent), page_(page), store_(store)
{
}

int PageZoom::percent() const
{
    return int(std::lround(page_.zoomFactor() * 100));
}

int PageZoom::next_step(int percent, int direction)
{
    if (direction == 0)
        return 100;
    if (direction > 0) {
        const auto above = std::upper_bound(kSteps.begin(), kSteps.end(), percent);
        return above == kSteps.end() ? kSteps.back() : *above;
    }
    const auto below = std::lower_bound(kSteps.begin(), kSteps.end(), percent);
    return below == kSteps.begin() ? kSteps.front() : *(below - 1);
}

void PageZoom::step(int direction)
{
    const int zoom = next_step(percent(), direction);
    if (!host_.isEmpty()) {
        if (zoom == 100)
            store_.remove_value(Root::CurrentUser, kZoomKey, host_);
        else
            store_.set_value(Root::CurrentUser, kZoomKey, host_, QByteArray::number(zoom));
    }
    apply(zoom);
}

void PageZoom::follow(const QUrl& url)
{
    host_ = url.host();
    const std::optional<QByteArray> stored =
        host_.isEmpty() ? std::nullopt : store_.value(Root::CurrentUser, kZoomKey, host_);
    const int zoom = stored ? std::clamp(stored->toInt(), kSteps.front(), kSteps.back()) : 100;
    apply(zoom);
}

void PageZoom::apply(int zoom)
{
    if (zoom == percent())
        return;
    page_.setZoomFactor(zoom / 100.0);
    emit changed();
}

void PageZoom::watch_wheel(QWidget* input)
{
    input_.follow(input);
}

bool PageZoom::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != input_ || event->type() != QEvent::Wheel)
        return false;
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier))
        return false;
    // One step per notch (120 eighths of a degree); finer wheels add up to a notch.
    wheel_turn_ += wheel->angleDelta().y();
    while (std::abs(wheel_turn_) >= 120) {
        step(wheel_turn_ > 0 ? 1 : -1);
        wheel_turn_ -= wheel_turn_ > 0 ? 120 : -120;
    }
    return true;
}
