// memcmp for the web build, eight bytes at a time.
//
// Every tick compares the whole display mirror with the framebuffer (150 KB)
// to find out whether anything changed. The C library of the WebAssembly
// build compares byte by byte, which alone costs more than the rest of an
// idle tick; this definition takes its place at link time.
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int memcmp(const void* left, const void* right, std::size_t count) {
    const auto* l = static_cast<const unsigned char*>(left);
    const auto* r = static_cast<const unsigned char*>(right);
    while (count >= 8) {
        std::uint64_t a;
        std::uint64_t b;
        __builtin_memcpy(&a, l, 8);
        __builtin_memcpy(&b, r, 8);
        if (a != b) break;
        l += 8;
        r += 8;
        count -= 8;
    }
    for (; count != 0; --count, ++l, ++r) {
        if (*l != *r) return *l < *r ? -1 : 1;
    }
    return 0;
}
