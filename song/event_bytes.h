#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <vector>

// The bytes of one event: a growable byte array that keeps up to eight bytes
// in place and only larger contents on the heap. Every channel message and
// most meta events fit, so a song of millions of events costs no allocation
// per event. Copies are deep; moves steal.
class EventBytes {
public:
    using value_type = std::uint8_t;
    using size_type = std::size_t;
    using reference = std::uint8_t&;
    using const_reference = const std::uint8_t&;
    using iterator = std::uint8_t*;
    using const_iterator = const std::uint8_t*;

    static constexpr std::size_t kInline = 8;

    EventBytes() noexcept = default;
    EventBytes(std::initializer_list<std::uint8_t> bytes) { append(bytes.begin(), bytes.size()); }
    EventBytes(const std::vector<std::uint8_t>& bytes) { append(bytes.data(), bytes.size()); }
    EventBytes(const std::uint8_t* first, const std::uint8_t* last) { append(first, std::size_t(last - first)); }

    EventBytes(const EventBytes& other) : size_(other.size_) {
        if (other.onHeap()) {
            size_ = 0;
            append(other.heap(), other.size_);
        } else {
            std::memcpy(storage_, other.storage_, sizeof storage_);
        }
    }
    EventBytes(EventBytes&& other) noexcept : size_(other.size_) {
        std::memcpy(storage_, other.storage_, sizeof storage_);
        other.size_ = 0;
    }
    EventBytes& operator=(const EventBytes& other) {
        if (this != &other) {
            clear();
            append(other.data(), other.size_);
        }
        return *this;
    }
    EventBytes& operator=(EventBytes&& other) noexcept {
        if (this != &other) {
            release();
            std::memcpy(storage_, other.storage_, sizeof storage_);
            size_ = other.size_;
            other.size_ = 0;
        }
        return *this;
    }
    ~EventBytes() { release(); }

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    std::uint8_t* data() noexcept { return onHeap() ? heap() : storage_; }
    const std::uint8_t* data() const noexcept { return onHeap() ? heap() : storage_; }
    iterator begin() noexcept { return data(); }
    iterator end() noexcept { return data() + size_; }
    const_iterator begin() const noexcept { return data(); }
    const_iterator end() const noexcept { return data() + size_; }
    std::uint8_t& operator[](std::size_t i) noexcept { return data()[i]; }
    std::uint8_t operator[](std::size_t i) const noexcept { return data()[i]; }
    std::uint8_t front() const noexcept { return data()[0]; }
    std::uint8_t back() const noexcept { return data()[size_ - 1]; }

    void clear() noexcept {
        release();
        size_ = 0;
    }
    void push_back(std::uint8_t b) { append(&b, 1); }
    void assign(std::initializer_list<std::uint8_t> bytes) {
        clear();
        append(bytes.begin(), bytes.size());
    }
    // Appends [first, last); only appending at the end is supported.
    template <class It>
    void insert(const_iterator at, It first, It last) {
        (void)at;
        if constexpr (std::is_pointer_v<It> || std::contiguous_iterator<It>) {
            append(std::to_address(first), std::size_t(last - first));
        } else {
            for (; first != last; ++first) {
                push_back(*first);
            }
        }
    }
    void append(const std::uint8_t* bytes, std::size_t n);

    friend bool operator==(const EventBytes& a, const EventBytes& b) noexcept {
        return a.size_ == b.size_ && (a.size_ == 0 || std::memcmp(a.data(), b.data(), a.size_) == 0);
    }

private:
    // Heap storage holds a power of two of at least 16 bytes, so its capacity
    // follows from the size and needs no field of its own.
    static std::size_t heapCapacity(std::size_t size) noexcept { return std::bit_ceil(size < 16 ? 16 : size); }
    bool onHeap() const noexcept { return size_ > kInline; }
    std::uint8_t* heap() const noexcept {
        std::uint8_t* p;
        std::memcpy(&p, storage_, sizeof p);
        return p;
    }
    void setHeap(std::uint8_t* p) noexcept { std::memcpy(storage_, &p, sizeof p); }
    void release() noexcept {
        if (onHeap()) {
            delete[] heap();
        }
    }

    // The pointer lives in these bytes when the contents are on the heap; kept
    // as bytes so that the class needs no more than four-byte alignment.
    alignas(4) std::uint8_t storage_[kInline] = {};
    std::uint32_t size_ = 0;
};

inline void EventBytes::append(const std::uint8_t* bytes, std::size_t n) {
    if (n == 0) {
        return;
    }
    const std::size_t newSize = size_ + n;
    if (newSize <= kInline) {
        std::memcpy(storage_ + size_, bytes, n);
    } else if (onHeap() && newSize <= heapCapacity(size_)) {
        std::memcpy(heap() + size_, bytes, n);
    } else {
        std::uint8_t* grown = new std::uint8_t[heapCapacity(newSize)];
        if (size_ != 0) {
            std::memcpy(grown, data(), size_);
        }
        std::memcpy(grown + size_, bytes, n);
        release();
        setHeap(grown);
    }
    size_ = static_cast<std::uint32_t>(newSize);
}
