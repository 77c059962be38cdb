#include <windows.h>
#include <bcrypt.h>

#include "notify/hmac_os.h"

namespace pelko::os {

namespace {

bool Ok(NTSTATUS status) { return status >= 0; }

}  // namespace

Bytes HmacSha256(std::string_view key, std::string_view message) {
    BCRYPT_ALG_HANDLE alg = nullptr;
    if (!Ok(BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG)))
        return {};
    Bytes out;
    BCRYPT_HASH_HANDLE hash = nullptr;
    // The hash object lives in memory BCrypt allocates itself (Windows 7 and later).
    static UCHAR noKey = 0;
    PUCHAR keyBytes = key.empty() ? &noKey : reinterpret_cast<PUCHAR>(const_cast<char*>(key.data()));
    if (Ok(BCryptCreateHash(alg, &hash, nullptr, 0, keyBytes, static_cast<ULONG>(key.size()), 0))) {
        UCHAR digest[32];
        PUCHAR data = reinterpret_cast<PUCHAR>(const_cast<char*>(message.data()));
        if ((message.empty() || Ok(BCryptHashData(hash, data, static_cast<ULONG>(message.size()), 0))) &&
            Ok(BCryptFinishHash(hash, digest, sizeof digest, 0)))
            out = Bytes(std::string(reinterpret_cast<const char*>(digest), sizeof digest));
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(alg, 0);
    return out;
}

}  // namespace pelko::os
