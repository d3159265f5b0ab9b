#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <vector>

namespace velmora {

// A fixed array indexed First..Last, so that model code can say Staff[1] and
// FemaleCount[8] exactly as the rules count positions and levels.
template <typename T, int First, int Last>
struct TIndexed {
    static_assert(First <= Last);
    static constexpr int Count = Last - First + 1;

    std::array<T, Count> Items{};

    constexpr T& operator[](int index) noexcept {
        assert(index >= First && index <= Last);
        return Items[static_cast<std::size_t>(index - First)];
    }
    constexpr const T& operator[](int index) const noexcept {
        assert(index >= First && index <= Last);
        return Items[static_cast<std::size_t>(index - First)];
    }

    constexpr T* begin() noexcept { return Items.data(); }
    constexpr T* end() noexcept { return Items.data() + Count; }
    constexpr const T* begin() const noexcept { return Items.data(); }
    constexpr const T* end() const noexcept { return Items.data() + Count; }

    friend constexpr bool operator==(const TIndexed&, const TIndexed&) = default;
};

}  // namespace velmora

namespace velmora {

// A run-sized array indexed from 1, for the roster and what runs beside it.
// Sized when a run is set up, never during one.
template <typename T>
class TIndexedVector {
  public:
    explicit TIndexedVector(std::size_t count = 0) : Items_(count) {}

    T& operator[](int index) noexcept {
        assert(index >= 1 && static_cast<std::size_t>(index) <= Items_.size());
        return Items_[static_cast<std::size_t>(index - 1)];
    }
    const T& operator[](int index) const noexcept {
        assert(index >= 1 && static_cast<std::size_t>(index) <= Items_.size());
        return Items_[static_cast<std::size_t>(index - 1)];
    }
    void Resize(std::size_t count) { Items_.resize(count); }
    std::size_t Size() const noexcept { return Items_.size(); }

    T* begin() noexcept { return Items_.data(); }
    T* end() noexcept { return Items_.data() + Items_.size(); }
    const T* begin() const noexcept { return Items_.data(); }
    const T* end() const noexcept { return Items_.data() + Items_.size(); }

    friend bool operator==(const TIndexedVector&, const TIndexedVector&) = default;

  private:
    std::vector<T> Items_;
};

}  // namespace velmora
