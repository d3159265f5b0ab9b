#pragma once

namespace velmora {

// The bits of one value read as another type. The compiler's builtin, which
// std::bit_cast wraps, because some standard libraries the model is built
// with (libc++ 13 of the WebAssembly build) lack std::bit_cast.
template <class To, class From>
constexpr To BitCast(const From& from) noexcept {
    static_assert(sizeof(To) == sizeof(From));
    return __builtin_bit_cast(To, from);
}

}  // namespace velmora
