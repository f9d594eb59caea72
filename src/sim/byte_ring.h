#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sim {

// A first-in first-out byte queue of fixed capacity; it never allocates.
template <std::size_t Capacity> class ByteRing {
public:
    std::size_t Size() const { return size_; }
    std::size_t Free() const { return Capacity - size_; }

    // Appends as many of the bytes as fit; returns how many did.
    std::size_t Push(const std::uint8_t* data, std::size_t count) {
        count = std::min(count, Free());
        if (count == 0)
            return 0; // data may be null then, and memcpy must never see a null pointer
        std::size_t tail = (head_ + size_) % Capacity;
        std::size_t first = std::min(count, Capacity - tail);
        std::memcpy(bytes_.data() + tail, data, first);
        std::memcpy(bytes_.data(), data + first, count - first);
        size_ += count;
        return count;
    }

    // Removes up to count bytes from the front into out; returns how many.
    std::size_t Pop(std::uint8_t* out, std::size_t count) {
        count = std::min(count, size_);
        if (count == 0)
            return 0; // out may be null then (an empty vector's data())
        std::size_t first = std::min(count, Capacity - head_);
        std::memcpy(out, bytes_.data() + head_, first);
        std::memcpy(out + first, bytes_.data(), count - first);
        head_ = (head_ + count) % Capacity;
        size_ -= count;
        return count;
    }

    void Clear() {
        head_ = 0;
        size_ = 0;
    }

private:
    std::array<std::uint8_t, Capacity> bytes_{};
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

} // namespace sim
