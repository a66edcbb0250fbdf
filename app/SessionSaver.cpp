#include "app/SessionSaver.h"

#include <fstream>
#include <system_error>

SessionSaver::SessionSaver(std::filesystem::path marker, std::function<void()> save, QObject* parent)
    : QObject(parent), marker_(std::move(marker))
{
    std::error_code ignored;
    unclean_ = std::filesystem::exists(marker_, ignored);
    std::ofstream{marker_};
    timer_.setSingleShot(true);
    timer_.setInterval(kSaveDelayMs);
    connect(&timer_, &QTimer::timeout, this, std::move(save));
}

// The timer is not restarted by later changes: while the user keeps browsing, the session
// is still saved every few seconds.
void SessionSaver::changed()
{
    if (!timer_.isActive())
        timer_.start();
}

void SessionSaver::end()
{
    timer_.stop();
    std::error_code ignored;
    std::filesystem::remove(marker_, ignored);
}
