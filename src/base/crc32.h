#pragma once

#include <cstddef>
#include <cstdint>

namespace duruz {

// The CRC-32 of zlib, PNG and Ethernet (reflected polynomial 0xEDB88320, all ones in
// and out): Crc32("123456789") is 0xCBF43926. Continue a running value by passing it
// back as `previous`.
std::uint32_t Crc32(const void* data, std::size_t length, std::uint32_t previous = 0);

} // namespace duruz
