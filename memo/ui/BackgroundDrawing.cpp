#include "memo/ui/BackgroundDrawing.h"

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// How much nicer the drawing threads are than the window's thread.
constexpr int kNicer = 5;

} // namespace

BackgroundDrawing::BackgroundDrawing(const memo::StampList* stamps) : stamps_(stamps), thread_([this] { run(); })
{
}

BackgroundDrawing::~BackgroundDrawing()
{
    {
        const std::lock_guard hold(mutex_);
        stopping_ = true;
    }
    cancelled_ = true;
    wake_.notify_all();
    thread_.join();
}

void BackgroundDrawing::request(Request request)
{
    {
        const std::lock_guard hold(mutex_);
        pending_ = std::move(request);
    }
    wake_.notify_all();
}

void BackgroundDrawing::run()
{
    // On Linux each thread has its own nice value, and threads it starts inherit it: the
    // repainter's helper is made here for that.
    errno = 0;
    const int nice_now = getpriority(PRIO_PROCESS, 0);
    if (errno == 0)
        setpriority(PRIO_PROCESS, 0, std::min(nice_now + kNicer, 19));
    memo::Repainter repainter(std::make_unique<memo::QtCanvasFactory>());
    std::unique_lock hold(mutex_);
    for (;;) {
        wake_.wait(hold, [this] { return stopping_ || pending_; });
        if (stopping_)
            return;
        const Request request = std::move(*pending_);
        pending_.reset();
        hold.unlock();
        // Handed over with the call, not under the lock: the window's thread, woken by it, would
        // wait for this one, which runs at a lower priority.
        auto picture = std::make_shared<const Picture>(draw(request, repainter));
        QMetaObject::invokeMethod(this, [this, picture] { emit finished(*picture); }, Qt::QueuedConnection);
        hold.lock();
    }
}

BackgroundDrawing::Picture BackgroundDrawing::draw(const Request& request, memo::Repainter& repainter)
{
    const QRect area(QPoint(), request.layer_size);
    const QRect device = device_rect(area, request.scale);
    if (black_.width() < device.width() || black_.height() < device.height() || black_.empty()) {
        canvases_.release();
        repainter.release_canvases();
        const int w = std::max(device.width(), 1), h = std::max(device.height(), 1);
        black_.create(w, h);
        white_.create(w, h);
        scratch1_.create(w, h);
        scratch2_.create(w, h);
    }
    std::vector<DrawnDocument> docs;
    for (std::size_t i = 0; i < request.docs.size(); ++i)
        docs.push_back({request.docs[i], (*request.packages)[i].get()});
    DrawTools tools{scratch1_, scratch2_, canvases_, repainter, stamps_, &cancelled_};
    Picture picture;
    picture.outlined =
        draw_premultiplied(black_, white_, area, request.scale, 0, docs, request.effects, request.page, tools, {});
    picture.memos = QImage(device.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < device.height(); ++y)
        std::memcpy(picture.memos.scanLine(y), black_.pixel(0, y), std::size_t(device.width()) * 4);
    picture.docs = request.docs;
    picture.scale = request.scale;
    picture.serial = request.serial;
    return picture;
}
