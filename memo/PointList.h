#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>

#include "memo/MemoTypes.h"

namespace memo {

// The points of a stroke: a growable array like std::vector<Point>, whose storage may instead
// be lent by the arena of the package it was read into (memo/ObjectArena.h). Lent storage is
// never freed by the list; growing past it moves the points to storage of the list's own.
class PointList {
public:
    using value_type = Point;
    using iterator = Point*;
    using const_iterator = const Point*;

    PointList() = default;
    PointList(std::initializer_list<Point> points) { assign(points); }
    explicit PointList(std::span<const Point> points) { assign(points); }
    PointList(const PointList& other) { assign(other); }
    PointList(PointList&& other) { take(other); }
    PointList& operator=(const PointList& other);
    PointList& operator=(PointList&& other);
    PointList& operator=(std::initializer_list<Point> points) { return operator=(std::span<const Point>(points)); }
    PointList& operator=(std::span<const Point> points);
    ~PointList() { release(); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Point* data() { return data_; }
    const Point* data() const { return data_; }
    Point* begin() { return data_; }
    Point* end() { return data_ + size_; }
    const Point* begin() const { return data_; }
    const Point* end() const { return data_ + size_; }
    Point& operator[](std::size_t i) { return data_[i]; }
    const Point& operator[](std::size_t i) const { return data_[i]; }
    Point& front() { return data_[0]; }
    const Point& front() const { return data_[0]; }
    Point& back() { return data_[size_ - 1]; }
    const Point& back() const { return data_[size_ - 1]; }
    operator std::span<const Point>() const { return {data_, size_}; }

    void push_back(Point p);
    void clear() { size_ = 0; }
    void reserve(std::size_t n);
    // New points are (0, 0).
    void resize(std::size_t n);

    // Drops the points and makes room for n whose values the caller writes next: into lent
    // storage when given (at least n points, outliving the list), else into the list's own.
    Point* overwrite(std::size_t n, Point* lent = nullptr);

    friend bool operator==(const PointList& a, const PointList& b) { return a == std::span<const Point>(b); }
    friend bool operator==(const PointList& a, std::span<const Point> b);

private:
    void assign(std::span<const Point> points);
    void take(PointList& other);
    void release() noexcept
    {
        if (!lent_ && data_)
            free_own();
        data_ = nullptr;
        size_ = capacity_ = 0;
        lent_ = false;
    }
    void free_own() noexcept;
    // Own storage for n points, the first size_ kept.
    void reallocate(std::size_t n);

    Point* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool lent_ = false;
};

} // namespace memo
