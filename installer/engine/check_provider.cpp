#include "engine/check_provider.h"

namespace {

CryptProvider provider;
bool providerTried = false;

} // namespace

const CryptProvider* checkProvider()
{
    if (!providerTried) {
        providerTried = true;
        CryptHash probe;
        if (provider.acquire(PROV_RSA_AES) && !probe.create(provider, CALG_SHA_256))
            provider.reset();
    }
    return provider.get() != 0 ? &provider : nullptr;
}
