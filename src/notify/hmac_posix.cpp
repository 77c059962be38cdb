#include <openssl/evp.h>
#include <openssl/hmac.h>

#include "notify/hmac_os.h"

namespace pelko::os {

Bytes HmacSha256(std::string_view key, std::string_view message) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    // A zero-length key still needs a valid pointer.
    static const unsigned char kNoKey = 0;
    const void* keyBytes = key.empty() ? &kNoKey : static_cast<const void*>(key.data());
    if (!HMAC(EVP_sha256(), keyBytes, static_cast<int>(key.size()),
              reinterpret_cast<const unsigned char*>(message.data()), message.size(), digest, &length))
        return {};
    return Bytes(std::string(reinterpret_cast<const char*>(digest), length));
}

}  // namespace pelko::os
