#include "server/PeerLimits.h"

#include <algorithm>

namespace server {

namespace {

constexpr std::size_t kForgetAbove = 4096;

} // namespace

PeerLimits::PeerLimits(std::size_t max_connections, double rate, double burst)
    : max_connections_(max_connections), rate_(rate), burst_(std::max(1.0, burst))
{
}

bool PeerLimits::open_connection(const std::string& address)
{
    std::lock_guard hold(mutex_);
    const auto [found, added] = peers_.try_emplace(address);
    Peer& peer = found->second;
    if (added) {
        peer.tokens = burst_;
        peer.refilled = Clock::now();
    }
    if (peer.connections >= max_connections_)
        return false;
    ++peer.connections;
    return true;
}

void PeerLimits::close_connection(const std::string& address)
{
    std::lock_guard hold(mutex_);
    const auto found = peers_.find(address);
    if (found != peers_.end() && found->second.connections > 0)
        --found->second.connections;
    if (peers_.size() > kForgetAbove)
        forget_idle(Clock::now());
}

bool PeerLimits::take_request(const std::string& address, Clock::time_point now)
{
    if (rate_ <= 0)
        return true;
    std::lock_guard hold(mutex_);
    Peer& peer = peers_[address];
    if (peer.refilled == Clock::time_point{}) {
        peer.tokens = burst_;
        peer.refilled = now;
    }
    const double elapsed = std::chrono::duration<double>(now - peer.refilled).count();
    peer.tokens = std::min(burst_, peer.tokens + std::max(0.0, elapsed) * rate_);
    peer.refilled = now;
    if (peer.tokens < 1)
        return false;
    peer.tokens -= 1;
    return true;
}

void PeerLimits::forget_idle(Clock::time_point now)
{
    std::erase_if(peers_, [&](const auto& entry) {
        const Peer& peer = entry.second;
        const double elapsed = std::chrono::duration<double>(now - peer.refilled).count();
        return peer.connections == 0 && (rate_ <= 0 || peer.tokens + elapsed * rate_ >= burst_);
    });
}

} // namespace server
