// MD4 message digest (RFC 1320), used as the identifier of a stored picture.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace celvo {

using Md4Digest = std::array<std::uint8_t, 16>;

Md4Digest md4(const void* data, std::size_t size);

}  // namespace celvo
