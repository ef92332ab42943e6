// printf into a std::string, with the format checked against its arguments by the compiler.
#pragma once
#include <string>

#if defined(__MINGW32__)
#define TM_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#elif defined(__GNUC__)
#define TM_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define TM_PRINTF_FORMAT(f, a)
#endif

namespace hxw {
std::string Format(const char* format, ...) TM_PRINTF_FORMAT(1, 2);
}  // namespace hxw
