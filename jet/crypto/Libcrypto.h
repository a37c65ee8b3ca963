#pragma once
// OpenSSL's libcrypto, loaded when the first encrypted database is opened.
// Linked into the tools, its tables of algorithms (some 340 KB of pointers)
// were relocated at every start of every run, a plain file's too: most of
// what a tool's start cost over /bin/true. Only the functions the Office
// encryption calls are looked up; callers use the headers' types and
// declarations, and call through libcrypto().
#define OPENSSL_SUPPRESS_DEPRECATED  // RC4_set_key and RC4 (see OfficeEncryption.cpp)
#include <openssl/evp.h>
#include <openssl/rc4.h>

namespace jet {

#define RAVELIN_LIBCRYPTO_FUNCTIONS(X)                                                                       \
    X(EVP_CIPHER_CTX_new) X(EVP_CIPHER_CTX_free) X(EVP_CIPHER_CTX_set_key_length) X(EVP_CIPHER_CTX_set_padding) \
    X(EVP_CipherInit_ex) X(EVP_CipherUpdate) X(EVP_DecodeBlock) X(EVP_Digest) X(EVP_DigestInit_ex)         \
    X(EVP_DigestUpdate) X(EVP_DigestFinal_ex) X(EVP_MD_CTX_new) X(EVP_MD_CTX_free) X(EVP_MD_fetch)            \
    X(EVP_MD_get_size) X(EVP_MD_get_type) X(EVP_aes_128_cbc) X(EVP_aes_128_ecb) X(EVP_aes_192_cbc)            \
    X(EVP_aes_192_ecb) X(EVP_aes_256_cbc) X(EVP_aes_256_ecb) X(EVP_sha1) X(EVP_sha256) X(EVP_sha384)          \
    X(EVP_sha512) X(RC4_set_key) X(RC4)

struct Libcrypto {
#define RAVELIN_LIBCRYPTO_POINTER(name) decltype(&::name) name = nullptr;
    RAVELIN_LIBCRYPTO_FUNCTIONS(RAVELIN_LIBCRYPTO_POINTER)
#undef RAVELIN_LIBCRYPTO_POINTER
};

// The library's functions, loaded on the first call (thread-safe). Error
// NotCapable (3251) naming the library when it or a function is missing.
const Libcrypto& libcrypto();

}  // namespace jet
