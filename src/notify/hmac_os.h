// Keyed hashing from the platform's own library: libcrypto on POSIX, BCrypt
// on Windows.
#pragma once

#include <string_view>

#include "textutil/text.h"

namespace pelko::os {

// HMAC-SHA256 of `message` keyed by `key`, both taken as raw bytes: the
// 32-byte digest, or empty when the library fails.
Bytes HmacSha256(std::string_view key, std::string_view message);

}  // namespace pelko::os
