#pragma once

#include <cstdint>
#include <vector>

// Appends a variable-length quantity. The benchmark programs write their own
// bytes rather than the program's, so that they measure against an independent floor.
inline void putVarLen(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t buffer[5];
    int n = 0;
    buffer[n++] = v & 0x7F;
    while ((v >>= 7) != 0) {
        buffer[n++] = std::uint8_t((v & 0x7F) | 0x80);
    }
    while (n > 0) {
        out.push_back(buffer[--n]);
    }
}
