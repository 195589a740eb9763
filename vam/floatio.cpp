#include "vam/floatio.h"

#include <bit>
#include <vector>

#include "core/bytes.h"
#include "platform/files.h"

bool readfloatsat(std::FILE* f, long long pos, float* out, long n) {
    if (n <= 0) return true;
    const std::size_t size = static_cast<std::size_t>(n) * 4;
    if constexpr (std::endian::native == std::endian::little) {
        return platform::readAt(f, pos, reinterpret_cast<std::uint8_t*>(out), size);
    } else {
        std::vector<std::uint8_t> raw(size);
        if (!platform::readAt(f, pos, raw.data(), raw.size())) return false;
        for (long k = 0; k < n; ++k) out[k] = bytes::getF32(raw.data() + 4 * k);
        return true;
    }
}

bool writefloatsat(std::FILE* f, long long pos, const float* values, long n) {
    if (n <= 0) return true;
    const std::size_t size = static_cast<std::size_t>(n) * 4;
    if constexpr (std::endian::native == std::endian::little) {
        return platform::writeAt(f, pos, reinterpret_cast<const std::uint8_t*>(values), size, false);
    } else {
        std::vector<std::uint8_t> raw(size);
        for (long k = 0; k < n; ++k) bytes::putF32(raw.data() + 4 * k, values[k]);
        return platform::writeAt(f, pos, raw.data(), raw.size(), false);
    }
}
