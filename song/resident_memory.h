#pragma once

#include <cstddef>
#include <vector>

// Makes the memory pages of [data, data + bytes) present in one call, ahead of
// their writing: for the buffers of a large song, a fault at the first write
// to every page costs more than the writing itself. Done from 64 KiB up, where
// the system has such a call (Linux); the contents stay as they are.
void makeResident(void* data, std::size_t bytes) noexcept;

// Room for `count` elements that are about to be written, reserved and made present.
template <class T>
void reserveResident(std::vector<T>& v, std::size_t count) {
    v.reserve(count);
    makeResident(v.data(), count * sizeof(T));
}
