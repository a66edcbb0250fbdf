#include "memo/PointList.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace memo {

PointList& PointList::operator=(const PointList& other)
{
    if (this != &other)
        assign(other);
    return *this;
}

PointList& PointList::operator=(PointList&& other)
{
    if (this != &other) {
        release();
        take(other);
    }
    return *this;
}

PointList& PointList::operator=(std::span<const Point> points)
{
    // The points may be this list's own (a copy of a part of it).
    if (points.data() >= data_ && points.data() < data_ + size_) {
        std::memmove(data_, points.data(), points.size() * sizeof(Point));
        size_ = points.size();
        return *this;
    }
    assign(points);
    return *this;
}

void PointList::assign(std::span<const Point> points)
{
    // Points are plain values: copied as bytes, never default-filled first.
    Point* storage = overwrite(points.size());
    if (!points.empty())
        std::memcpy(storage, points.data(), points.size() * sizeof(Point));
}

void PointList::take(PointList& other)
{
    // Lent storage belongs to the object it was lent to: a list moved elsewhere copies it.
    if (other.lent_) {
        assign(other);
        return;
    }
    data_ = other.data_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.size_ = other.capacity_ = 0;
}

void PointList::free_own() noexcept
{
    ::operator delete(data_);
}

void PointList::reallocate(std::size_t n)
{
    auto* storage = static_cast<Point*>(::operator new(n * sizeof(Point)));
    if (size_)
        std::memcpy(storage, data_, size_ * sizeof(Point));
    const std::size_t kept = size_;
    release();
    data_ = storage;
    size_ = kept;
    capacity_ = n;
}

void PointList::push_back(Point p)
{
    if (size_ == capacity_)
        reallocate(std::max<std::size_t>(8, capacity_ * 2));
    data_[size_++] = p;
}

void PointList::reserve(std::size_t n)
{
    if (n > capacity_)
        reallocate(n);
}

void PointList::resize(std::size_t n)
{
    reserve(n);
    for (std::size_t i = size_; i < n; ++i)
        new (&data_[i]) Point{};
    size_ = n;
}

Point* PointList::overwrite(std::size_t n, Point* lent)
{
    if (lent) {
        release();
        data_ = lent;
        capacity_ = n;
        lent_ = true;
    } else if (n > capacity_) {
        size_ = 0;
        reallocate(n);
    }
    size_ = n;
    return data_;
}

bool operator==(const PointList& a, std::span<const Point> b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

} // namespace memo
