#pragma once

#include <array>
#include <cassert>
#include <cstddef>

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
