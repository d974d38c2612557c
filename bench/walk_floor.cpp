// The floor that the whole job is measured against: read a file, walk every
// event of every track chunk without allocating (walk), or also re-encode each
// event with its own status byte into an output file (encode).
//
//   walk-floor walk FILE          prints the number of events
//   walk-floor encode FILE OUT    writes the re-encoded events, prints the count
//   walk-floor pages              prints what the first write to a 4 KiB page
//                                 of fresh memory costs here, in nanoseconds:
//                                 the machine's character, beside its figures
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "bench/put_var_len.h"

namespace {

std::uint32_t varLen(const std::uint8_t* bytes, std::size_t end, std::size_t& p) {
    std::uint32_t v = 0;
    while (p < end) {
        const std::uint8_t b = bytes[p++];
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80)) {
            break;
        }
    }
    return v;
}


}  // namespace

// 256 MB of fresh memory, one byte written in each page, median of five.
int pageCost() {
    constexpr std::size_t kBytes = std::size_t{256} << 20;
    constexpr std::size_t kPage = 4096;
    std::vector<double> costs;
    for (int round = 0; round < 5; ++round) {
        const std::unique_ptr<volatile char[]> memory(new volatile char[kBytes]);
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < kBytes; i += kPage) {
            memory[i] = 1;
        }
        const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
        costs.push_back(spent.count() / double(kBytes / kPage));
    }
    std::sort(costs.begin(), costs.end());
    std::printf("%.0f\n", costs[2]);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "pages") == 0) {
        return pageCost();
    }
    const bool encode = argc == 4 && std::strcmp(argv[1], "encode") == 0;
    if (!encode && !(argc == 3 && std::strcmp(argv[1], "walk") == 0)) {
        std::fprintf(stderr, "usage: walk-floor walk FILE | walk-floor encode FILE OUT | walk-floor pages\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::uint8_t* b = file.data();
    const std::size_t n = file.size();
    if (n < 14) {
        return 1;
    }
    std::vector<std::uint8_t> out;
    if (encode) {
        out.reserve(n * 2);
        out.insert(out.end(), b, b + 14);
    }
    std::size_t events = 0;
    std::size_t pos = 8 + (std::size_t(b[4]) << 24 | std::size_t(b[5]) << 16 | std::size_t(b[6]) << 8 | b[7]);
    while (pos + 8 <= n) {
        const std::size_t length = std::size_t(b[pos + 4]) << 24 | std::size_t(b[pos + 5]) << 16 |
                                   std::size_t(b[pos + 6]) << 8 | b[pos + 7];
        std::size_t p = pos + 8;
        const std::size_t end = p + length > n ? n : p + length;
        std::size_t chunkStart = out.size();
        if (encode) {
            out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
        }
        std::uint8_t running = 0;
        while (p < end) {
            const std::uint32_t delta = varLen(b, n, p);
            if (p >= end) {
                break;
            }
            std::uint8_t status = b[p];
            if (status >= 0x80) {
                ++p;
                if (status < 0xF0) {
                    running = status;
                }
            } else {
                status = running;
            }
            std::size_t from = p;
            if (status == 0xFF) {
                ++p;
                const std::uint32_t m = varLen(b, n, p);
                p += m;
            } else if (status == 0xF0 || status == 0xF7) {
                const std::uint32_t m = varLen(b, n, p);
                p += m;
            } else {
                p += (status >= 0xC0 && status <= 0xDF) ? 1 : 2;
            }
            if (p > end) {
                p = end;
            }
            ++events;
            if (encode) {
                putVarLen(out, delta);
                out.push_back(status);
                out.insert(out.end(), b + from, b + p);
            }
        }
        if (encode) {
            const std::size_t body = out.size() - chunkStart - 8;
            for (int i = 0; i < 4; ++i) {
                out[chunkStart + 4 + i] = std::uint8_t(body >> (24 - 8 * i));
            }
        }
        pos = pos + 8 + length;
    }
    if (encode) {
        std::ofstream o(argv[3], std::ios::binary | std::ios::trunc);
        o.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    }
    std::printf("%zu\n", events);
    return 0;
}
