// SHA-256 through CryptoAPI: advapi32 is always loaded from System32, and it finds its
// provider there by the system's own registration.

#include <windows.h>

#include <wincrypt.h>

#include <algorithm>

#include "platform/error.h"
#include "platform/platform.h"
#include "platform/sha256.h"

namespace zr::platform {
namespace {

[[noreturn]] void Fail() {
    throw Error("SHA-256: " + ErrorText(static_cast<int>(GetLastError())));
}

}  // namespace

struct Sha256::State {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;

    ~State() {
        if (hash) CryptDestroyHash(hash);
        if (provider) CryptReleaseContext(provider, 0);
    }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    if (!CryptAcquireContextW(&state_->provider, nullptr, nullptr, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT) ||
        !CryptCreateHash(state_->provider, CALG_SHA_256, 0, 0, &state_->hash)) {
        Fail();
    }
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t size) {
    const auto* in = static_cast<const BYTE*>(data);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        if (!CryptHashData(state_->hash, in, chunk, 0)) Fail();
        in += chunk;
        size -= chunk;
    }
}

std::array<uint8_t, 32> Sha256::Finish() {
    std::array<uint8_t, 32> digest{};
    DWORD length = static_cast<DWORD>(digest.size());
    if (!CryptGetHashParam(state_->hash, HP_HASHVAL, digest.data(), &length, 0)) Fail();
    return digest;
}

}  // namespace zr::platform
