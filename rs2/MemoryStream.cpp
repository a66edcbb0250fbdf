#include "rs2/MemoryStream.h"

#include <algorithm>

namespace rs2 {

MemoryStream::MemoryStream(std::size_t reserve) : BaseIOStream(false, false)
{
    bytes_.reserve(reserve);
}

std::span<const char> MemoryStream::unread() const
{
    const std::size_t start = read_position_ - buffered();
    return {bytes_.data() + start, bytes_.size() - start};
}

void MemoryStream::clear()
{
    bytes_.clear();
    read_position_ = 0;
    reset();
}

std::size_t MemoryStream::append_from(BaseIStream& in, std::size_t n)
{
    const std::size_t old_size = bytes_.size();
    bytes_.resize(old_size + n);
    const std::size_t got = in.read(bytes_.data() + old_size, n);
    bytes_.resize(old_size + got);
    return got;
}

char* MemoryStream::raw_read(char* buf, std::size_t n)
{
    const std::size_t take = std::min(n, bytes_.size() - read_position_);
    std::copy_n(bytes_.data() + read_position_, take, buf);
    read_position_ += take;
    return buf + take;
}

bool MemoryStream::raw_write(const char* p, std::size_t n)
{
    bytes_.insert(bytes_.end(), p, p + n);
    return true;
}

} // namespace rs2
