#include "jet/crypto/Libcrypto.h"

#include "jet/Error.h"

#include <openssl/opensslv.h>

#include <dlfcn.h>
#include <string>

namespace jet {
namespace {

// The shared library of the OpenSSL these headers belong to (same major
// version, same functions).
const std::string kLibrary = "libcrypto.so." + std::to_string(OPENSSL_VERSION_MAJOR);

Libcrypto load(std::string& failure) {
    Libcrypto lib;
    void* handle = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);  // kept for the process
    if (!handle) {
        const char* why = ::dlerror();
        failure = why ? why : kLibrary;
        return lib;
    }
#define RAVELIN_LIBCRYPTO_LOOKUP(name)                                                  \
    lib.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));              \
    if (!lib.name && failure.empty())                                                    \
        failure = kLibrary + " has no " #name;
    RAVELIN_LIBCRYPTO_FUNCTIONS(RAVELIN_LIBCRYPTO_LOOKUP)
#undef RAVELIN_LIBCRYPTO_LOOKUP
    return lib;
}

}  // namespace

const Libcrypto& libcrypto() {
    static std::string failure;
    static const Libcrypto lib = load(failure);
    if (!failure.empty())
        throw Error(NotCapable, "Encrypted databases are read with OpenSSL's libcrypto, which could not be loaded (" +
                                    failure + ").");
    return lib;
}

}  // namespace jet
