#pragma once
// A vector whose copies share one block of elements until one of them is
// written: copying a million coordinates for the grid or for an undo step
// then costs nothing, and whoever holds a copy keeps seeing what it copied
// whatever the original does later. Writing through any non-const accessor
// (operator[], data(), begin(), resize ...) first gives the written vector
// its own block when another copy shares it; a reference or pointer taken
// that way stays valid until the vector is next copied or resized.
//
// Not for use from several threads at once.

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "base/LargeMemory.h"

namespace pivora {

template <typename T>
class SharedVector {
  public:
    using value_type = T;
    using size_type = std::size_t;
    using reference = T&;
    using const_reference = const T&;
    using iterator = T*;
    using const_iterator = const T*;

    SharedVector() = default;
    SharedVector(std::initializer_list<T> values)
        : block_(std::make_shared<std::vector<T>>(values)) {}
    // Takes the elements of values.
    SharedVector(std::vector<T>&& values)  // NOLINT: a vector converts as it is
        : block_(std::make_shared<std::vector<T>>(std::move(values))) {}
    SharedVector(const std::vector<T>& values)  // NOLINT
        : block_(std::make_shared<std::vector<T>>(values)) {}

    // A plain vector of the elements, for code that wants one.
    operator const std::vector<T>&() const { return Get(); }  // NOLINT

    size_type size() const { return block_ ? block_->size() : 0; }
    bool empty() const { return size() == 0; }
    size_type capacity() const { return block_ ? block_->capacity() : 0; }

    const T& operator[](size_type i) const { return (*block_)[i]; }
    T& operator[](size_type i) { return Own()[i]; }
    const T* data() const { return block_ ? block_->data() : nullptr; }
    T* data() { return Own().data(); }
    const T& back() const { return block_->back(); }
    T& back() { return Own().back(); }

    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size(); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    iterator begin() { return data(); }
    iterator end() { return data() + size(); }

    void resize(size_type n) { Grow(n, false).resize(n); }
    void resize(size_type n, const T& value) { Grow(n, false).resize(n, value); }
    void reserve(size_type n) { Grow(n, false); }
    void clear() { block_.reset(); }
    void push_back(const T& value) { Grow(size() + 1, true).push_back(value); }
    void push_back(T&& value) { Grow(size() + 1, true).push_back(std::move(value)); }
    template <typename... Args>
    T& emplace_back(Args&&... args) {
        return Grow(size() + 1, true).emplace_back(std::forward<Args>(args)...);
    }

    // True when no other copy shares the elements: writing then changes
    // nobody else's view and allocates nothing.
    bool Unshared() const { return !block_ || block_.use_count() == 1; }
    // True when both hold the very same block (not merely equal elements).
    bool SharesWith(const SharedVector& other) const { return block_ && block_ == other.block_; }

    friend bool operator==(const SharedVector& a, const SharedVector& b) {
        return a.block_ == b.block_ || a.Get() == b.Get();
    }
    friend bool operator==(const SharedVector& a, const std::vector<T>& b) { return a.Get() == b; }

  private:
    static const std::vector<T>& Empty() {
        static const std::vector<T> empty;
        return empty;
    }
    const std::vector<T>& Get() const { return block_ ? *block_ : Empty(); }

    // A block of our own with room for n elements (twice the old room when
    // it grows by appending). A large new block is laid out for huge pages
    // before its first element is written; a small one of our own grows as
    // a vector does.
    std::vector<T>& Grow(size_type n, bool appending) {
        const bool own = block_ && block_.use_count() == 1;
        if (own && (block_->capacity() >= n || !IsLargeBlock(n * sizeof(T)))) return *block_;
        size_type room = std::max(n, size());
        if (own && appending) room = std::max(room, 2 * block_->capacity());
        auto fresh = std::make_shared<std::vector<T>>();
        ReserveLarge(*fresh, room);
        if (own) {
            fresh->insert(fresh->end(), std::make_move_iterator(block_->begin()),
                          std::make_move_iterator(block_->end()));
        } else if (block_) {
            fresh->insert(fresh->end(), block_->begin(), block_->end());
        }
        block_ = std::move(fresh);
        return *block_;
    }
    std::vector<T>& Own() {
        if (!block_ || block_.use_count() > 1) Grow(size(), false);
        return *block_;
    }

    std::shared_ptr<std::vector<T>> block_;
};

}  // namespace pivora
