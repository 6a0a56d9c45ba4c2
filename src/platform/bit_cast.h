#pragma once
// std::bit_cast where the standard library has it. The browser build's
// library (emscripten's libc++) does not yet; its compiler's builtin does
// the same.
#include <bit>

template <class To, class From>
constexpr To bitCast(const From& from) noexcept
{
#ifdef __cpp_lib_bit_cast
    return std::bit_cast<To>(from);
#else
    return __builtin_bit_cast(To, from);
#endif
}
