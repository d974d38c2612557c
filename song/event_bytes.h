#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

// The bytes of one event after its status byte, and the payload length that a
// meta or system-exclusive event declared (0 for the others). Up to six bytes
// are kept in place with the length, larger contents on the heap with it:
// every channel message and most meta events fit, so that a song of millions
// of events costs no allocation per event and 11 bytes for each. Copies are
// deep; moves steal.
class EventBytes {
public:
    static constexpr std::size_t kInline = 6;

    EventBytes() noexcept = default;
    EventBytes(std::initializer_list<std::uint8_t> bytes, std::uint32_t length = 0)
        : EventBytes(bytes.begin(), bytes.end(), length) {}
    EventBytes(const std::vector<std::uint8_t>& bytes, std::uint32_t length = 0)
        : EventBytes(bytes.data(), bytes.data() + bytes.size(), length) {}
    EventBytes(const std::uint8_t* first, const std::uint8_t* last, std::uint32_t length = 0) {
        setLength(length);
        append(first, std::size_t(last - first));
    }

    EventBytes(const EventBytes& other) : EventBytes(other.begin(), other.end(), other.length()) {}
    EventBytes(EventBytes&& other) noexcept { take(other); }
    EventBytes& operator=(const EventBytes& other) {
        if (this != &other) {
            *this = EventBytes(other);
        }
        return *this;
    }
    EventBytes& operator=(EventBytes&& other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    ~EventBytes() { release(); }

    std::size_t size() const noexcept { return onHeap() ? readU32(heap() + kSizeAt) : size_; }
    bool empty() const noexcept { return size() == 0; }
    std::uint8_t* data() noexcept { return onHeap() ? heap() + kHeapBytesAt : storage_; }
    const std::uint8_t* data() const noexcept { return onHeap() ? heap() + kHeapBytesAt : storage_; }
    std::uint8_t* begin() noexcept { return data(); }
    std::uint8_t* end() noexcept { return data() + size(); }
    const std::uint8_t* begin() const noexcept { return data(); }
    const std::uint8_t* end() const noexcept { return data() + size(); }
    std::uint8_t& operator[](std::size_t i) noexcept { return data()[i]; }
    std::uint8_t operator[](std::size_t i) const noexcept { return data()[i]; }

    std::uint32_t length() const noexcept { return readU32(onHeap() ? heap() + kLengthAt : storage_ + kInline); }
    void setLength(std::uint32_t length) noexcept {
        std::memcpy(onHeap() ? heap() + kLengthAt : storage_ + kInline, &length, sizeof length);
    }

    void push_back(std::uint8_t b) { append(&b, 1); }

    // The one or two data bytes of a channel message, into a value still empty.
    void setChannelData(const std::uint8_t* bytes, std::size_t n) noexcept {
        storage_[0] = bytes[0];
        storage_[1] = n > 1 ? bytes[1] : 0;
        size_ = static_cast<std::uint8_t>(n);
    }
    void append(const std::uint8_t* bytes, std::size_t n);

    friend bool operator==(const EventBytes& a, const EventBytes& b) noexcept {
        const std::size_t n = a.size();
        return n == b.size() && a.length() == b.length() && (n == 0 || std::memcmp(a.data(), b.data(), n) == 0);
    }

private:
    // On the heap: the size, the length, then room for a power of two of at
    // least 16 bytes, so that the room follows from the size.
    static constexpr std::size_t kSizeAt = 0;
    static constexpr std::size_t kLengthAt = 4;
    static constexpr std::size_t kHeapBytesAt = 8;
    static constexpr std::uint8_t kOnHeap = 0xFF;

    static std::size_t heapRoom(std::size_t size) noexcept { return std::bit_ceil(size < 16 ? 16 : size); }
    static std::uint32_t readU32(const std::uint8_t* p) noexcept {
        std::uint32_t value;
        std::memcpy(&value, p, sizeof value);
        return value;
    }
    bool onHeap() const noexcept { return size_ == kOnHeap; }
    std::uint8_t* heap() const noexcept {
        std::uint8_t* p;
        std::memcpy(&p, storage_, sizeof p);
        return p;
    }
    void release() noexcept {
        if (onHeap()) {
            delete[] heap();
        }
    }
    void take(EventBytes& other) noexcept {
        size_ = other.size_;
        std::memcpy(storage_, other.storage_, sizeof storage_);
        other.size_ = 0;
    }

    // In place: the bytes, then the length. On the heap: the block's address.
    std::uint8_t size_ = 0;  // the bytes in place, or kOnHeap
    std::uint8_t storage_[kInline + 4] = {};
};

inline void EventBytes::append(const std::uint8_t* bytes, std::size_t n) {
    if (n == 0) {
        return;
    }
    const std::size_t size = this->size();
    const std::size_t newSize = size + n;
    if (newSize <= kInline) {
        std::memcpy(storage_ + size, bytes, n);
        size_ = static_cast<std::uint8_t>(newSize);
        return;
    }
    if (!onHeap() || newSize > heapRoom(size)) {
        std::uint8_t* grown = new std::uint8_t[kHeapBytesAt + heapRoom(newSize)];
        const std::uint32_t length = this->length();
        std::memcpy(grown + kLengthAt, &length, sizeof length);
        std::memcpy(grown + kHeapBytesAt, data(), size);
        release();
        std::memcpy(storage_, &grown, sizeof grown);
        size_ = kOnHeap;
    }
    std::memcpy(heap() + kHeapBytesAt + size, bytes, n);
    const std::uint32_t stored = static_cast<std::uint32_t>(newSize);
    std::memcpy(heap() + kSizeAt, &stored, sizeof stored);
}
