#include "jet/crypto/OfficeEncryption.h"
#include "jet/page/HeaderFormat.h"

#include "jet/Error.h"
#include "jet/crypto/Libcrypto.h"
#include "jet/page/Coding.h"
#include "jet/text/Text.h"


#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kInfoLengthAt = kHeaderEncryptionInfoAt;
constexpr std::size_t kInfoAt = kInfoLengthAt + 2;
constexpr std::uint16_t kAgileVersion = 4;     // 4.4
constexpr std::uint16_t kStandardMinor = 2;    // 2.2, 3.2 and 4.2
constexpr std::uint32_t kAlgRc4 = 0x6801;
constexpr std::uint32_t kAlgAes128 = 0x660E, kAlgAes192 = 0x660F, kAlgAes256 = 0x6610;
constexpr std::uint32_t kAlgSha1 = 0x8004;
constexpr std::uint32_t kStandardSpinCount = 50000;
// The agile key encryptor's block keys: for the verifier's input, its hash and the secret key.
constexpr std::array<std::uint8_t, 8> kVerifierInputBlock = {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79};
constexpr std::array<std::uint8_t, 8> kVerifierHashBlock = {0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
constexpr std::array<std::uint8_t, 8> kSecretKeyBlock = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

[[noreturn]] void unreadable(const std::string& name, const std::string& what) {
    throw databaseDamaged(name, "its encryption information " + what);
}

[[noreturn]] void wrongPassword(const std::string& name, bool given) {
    throw Error(InvalidPassword, "Not a valid password. The database '" + name + "' is encrypted" +
                                     (given ? "; the password given does not open it."
                                            : ": give its password to open it."));
}

Bytes le32(std::uint32_t v) {
    Bytes b(4);
    writeU32(b.data(), v);
    return b;
}

Bytes concat(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    Bytes out(a.begin(), a.end());
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

// `bytes` cut or padded with `pad` to `size` bytes.
Bytes fitted(Bytes bytes, std::size_t size, std::uint8_t pad) {
    bytes.resize(size, pad);
    return bytes;
}

Bytes passwordBytes(const std::string& password) {
    std::u16string units;
    appendUtf16(password, units);
    Bytes out(units.size() * 2);
    for (std::size_t n = 0; n < units.size(); ++n)
        writeU16(&out[2 * n], units[n]);
    return out;
}

// EVP_sha1() and its kind are looked up again by every hash that uses them,
// which costs more than hashing a page key; each is fetched once here.
const EVP_MD* fetched(const EVP_MD* md) {
    static const std::array<EVP_MD*, 4> hashes = {
        libcrypto().EVP_MD_fetch(nullptr, "SHA1", nullptr), libcrypto().EVP_MD_fetch(nullptr, "SHA256", nullptr),
        libcrypto().EVP_MD_fetch(nullptr, "SHA384", nullptr), libcrypto().EVP_MD_fetch(nullptr, "SHA512", nullptr)};
    for (EVP_MD* h : hashes)
        if (h && libcrypto().EVP_MD_get_type(h) == libcrypto().EVP_MD_get_type(md))
            return h;
    return md;
}

Bytes digest(const EVP_MD* md, std::span<const std::uint8_t> data) {
    md = fetched(md);
    Bytes out(static_cast<std::size_t>(libcrypto().EVP_MD_get_size(md)));
    unsigned int length = 0;
    if (libcrypto().EVP_Digest(data.data(), data.size(), out.data(), &length, md, nullptr) != 1)
        throw Error(ReservedError, "A hash of the encryption could not be computed.");
    out.resize(length);
    return out;
}

// H0 = H(salt + password), then H(iterator + H) `spins` times, in one context.
Bytes spunHash(const EVP_MD* md, std::span<const std::uint8_t> salt, const Bytes& password, std::uint32_t spins) {
    Bytes h = digest(md, concat(salt, password));
    const std::unique_ptr<EVP_MD_CTX, decltype(&::EVP_MD_CTX_free)> ctx(libcrypto().EVP_MD_CTX_new(),
                                                                     libcrypto().EVP_MD_CTX_free);
    if (!ctx)
        throw std::bad_alloc();
    std::array<std::uint8_t, 4> iterator;
    for (std::uint32_t i = 0; i < spins; ++i) {
        writeU32(iterator.data(), i);
        if (libcrypto().EVP_DigestInit_ex(ctx.get(), fetched(md), nullptr) != 1 ||
            libcrypto().EVP_DigestUpdate(ctx.get(), iterator.data(), iterator.size()) != 1 ||
            libcrypto().EVP_DigestUpdate(ctx.get(), h.data(), h.size()) != 1 || libcrypto().EVP_DigestFinal_ex(ctx.get(), h.data(), nullptr) != 1)
            throw Error(ReservedError, "A hash of the encryption could not be computed.");
    }
    return h;
}

// A cipher context, set up for one cipher, key length and direction once
// and then given only a new key (and IV) for each page: setting up the
// cipher costs more than deciphering a page.
struct CipherContext {
    EVP_CIPHER_CTX* ctx = libcrypto().EVP_CIPHER_CTX_new();
    const EVP_CIPHER* cipher = nullptr;
    std::size_t keyLength = 0;
    int enciphering = 0;
    CipherContext() {
        if (!ctx)
            throw std::bad_alloc();
    }
    ~CipherContext() { libcrypto().EVP_CIPHER_CTX_free(ctx); }
    CipherContext(const CipherContext&) = delete;
    CipherContext& operator=(const CipherContext&) = delete;
};

enum class Direction { Decipher, Encipher };

// Deciphers or enciphers `data` in place: `cipher` without padding, the whole of it in one update.
void cipherWith(CipherContext& c, const EVP_CIPHER* cipher, std::span<const std::uint8_t> key,
                const std::uint8_t* iv, std::span<std::uint8_t> data, Direction direction = Direction::Decipher) {
    EVP_CIPHER_CTX* ctx = c.ctx;
    const int enciphering = direction == Direction::Encipher ? 1 : 0;
    if (c.cipher != cipher || c.keyLength != key.size() || c.enciphering != enciphering) {
        c.cipher = nullptr;
        if (libcrypto().EVP_CipherInit_ex(ctx, cipher, nullptr, nullptr, nullptr, enciphering) != 1 ||
            libcrypto().EVP_CIPHER_CTX_set_key_length(ctx, static_cast<int>(key.size())) != 1)
            throw Error(ReservedError, "The cipher of the encrypted database could not be set up.");
        c.cipher = cipher;
        c.keyLength = key.size();
        c.enciphering = enciphering;
    }
    int out = 0;
    const bool ok = libcrypto().EVP_CipherInit_ex(ctx, nullptr, nullptr, key.data(), iv, enciphering) == 1 &&
                    libcrypto().EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
                    libcrypto().EVP_CipherUpdate(ctx, data.data(), &out, data.data(), static_cast<int>(data.size())) == 1;
    if (!ok || static_cast<std::size_t>(out) != data.size())
        throw Error(ReservedError, enciphering ? "A page of the encrypted database could not be enciphered."
                                               : "A page of the encrypted database could not be deciphered.");
}

const EVP_CIPHER* aesCipher(std::size_t keyBytes, bool cbc) {
    switch (keyBytes) {
    case 16: return cbc ? libcrypto().EVP_aes_128_cbc() : libcrypto().EVP_aes_128_ecb();
    case 24: return cbc ? libcrypto().EVP_aes_192_cbc() : libcrypto().EVP_aes_192_ecb();
    case 32: return cbc ? libcrypto().EVP_aes_256_cbc() : libcrypto().EVP_aes_256_ecb();
    default: return nullptr;
    }
}

// RC4 through libcrypto's own RC4 functions. OpenSSL 3 marks them
// deprecated and offers RC4 through EVP only from its legacy provider, a
// module whose loading took 10 ms or more at the first open.
void rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data) {
    RC4_KEY schedule;
    libcrypto().RC4_set_key(&schedule, static_cast<int>(key.size()), key.data());
    libcrypto().RC4(&schedule, data.size(), data.data(), data.data());
}

// Standard encryption, RC4 with CryptoAPI keys: each block's key is
// H(H(salt + password) + block), its first KeySize bits; a 40-bit key is
// used as 128 bits with the rest zero.
class StandardRc4Cipher final : public PageCipher {
public:
    StandardRc4Cipher(Bytes base, std::size_t keyBytes, std::uint32_t databaseKey)
        : base_(std::move(base)), keyBytes_(keyBytes), databaseKey_(databaseKey) {
        if (!ctx_)
            throw std::bad_alloc();
    }
    ~StandardRc4Cipher() override { libcrypto().EVP_MD_CTX_free(ctx_); }
    StandardRc4Cipher(const StandardRc4Cipher&) = delete;
    StandardRc4Cipher& operator=(const StandardRc4Cipher&) = delete;

    std::array<std::uint8_t, 20> key(std::uint32_t block) const {
        std::array<std::uint8_t, 20> k{};
        std::array<std::uint8_t, 4> number;
        writeU32(number.data(), block);
        if (libcrypto().EVP_DigestInit_ex(ctx_, fetched(libcrypto().EVP_sha1()), nullptr) != 1 || libcrypto().EVP_DigestUpdate(ctx_, base_.data(), base_.size()) != 1 ||
            libcrypto().EVP_DigestUpdate(ctx_, number.data(), number.size()) != 1 ||
            libcrypto().EVP_DigestFinal_ex(ctx_, k.data(), nullptr) != 1)
            throw Error(ReservedError, "A hash of the encryption could not be computed.");
        std::fill(k.begin() + static_cast<std::ptrdiff_t>(keyBytes_), k.end(), 0);
        return k;
    }
    // Enciphers or deciphers `data` as block `block`.
    void apply(std::uint32_t block, std::span<std::uint8_t> data) const {
        const auto k = key(block);
        rc4Apply(std::span(k.data(), keyBytes_ == 5 ? 16 : keyBytes_), data);  // 40 bits count as 128
    }

    void decipher(std::uint32_t number, std::span<std::uint8_t> page) const override {
        apply(number ^ databaseKey_, page);
    }
    void encipher(std::uint32_t number, std::span<std::uint8_t> page) const override { decipher(number, page); }
    // RC4 costs about as much as decoding a page, so its pages are
    // deciphered ahead on a second thread (jet/page/DecipherAhead.h); AES,
    // a fifth of that, is not worth the handing over.
    std::unique_ptr<PageCipher> clone() const override {
        return std::make_unique<StandardRc4Cipher>(base_, keyBytes_, databaseKey_);
    }

private:
    Bytes base_;
    std::size_t keyBytes_;
    std::uint32_t databaseKey_;
    EVP_MD_CTX* ctx_ = libcrypto().EVP_MD_CTX_new();
};

// Standard encryption with AES (ECB): each block's key is made from
// Hfinal = H(Hn + block) as X1 = H(0x36-pad XOR Hfinal), X2 = H(0x5C-pad XOR
// Hfinal), the first KeySize bits of X1 + X2.
class StandardAesCipher final : public PageCipher {
public:
    StandardAesCipher(Bytes spun, std::size_t keyBytes, std::uint32_t databaseKey)
        : spun_(std::move(spun)), keyBytes_(keyBytes), databaseKey_(databaseKey) {}

    Bytes key(std::uint32_t block) const {
        const Bytes final = digest(libcrypto().EVP_sha1(), concat(spun_, le32(block)));
        Bytes inner(64, 0x36), outer(64, 0x5C);
        for (std::size_t n = 0; n < final.size(); ++n) {
            inner[n] ^= final[n];
            outer[n] ^= final[n];
        }
        return fitted(concat(digest(libcrypto().EVP_sha1(), inner), digest(libcrypto().EVP_sha1(), outer)), keyBytes_, 0);
    }

    void decipher(std::uint32_t number, std::span<std::uint8_t> page) const override {
        cipherWith(ctx_, aesCipher(keyBytes_, false), key(number ^ databaseKey_), nullptr, page);
    }
    void encipher(std::uint32_t number, std::span<std::uint8_t> page) const override {
        cipherWith(ctx_, aesCipher(keyBytes_, false), key(number ^ databaseKey_), nullptr, page, Direction::Encipher);
    }

private:
    Bytes spun_;
    std::size_t keyBytes_;
    std::uint32_t databaseKey_;
    mutable CipherContext ctx_;
};

// Agile encryption: one secret key, each block's IV H(keySalt + block) cut or
// padded (0x36) to the cipher's block size.
class AgileCipher final : public PageCipher {
public:
    AgileCipher(Bytes secret, Bytes salt, const EVP_MD* md, std::size_t blockSize, std::uint32_t databaseKey)
        : secret_(std::move(secret)), salt_(std::move(salt)), md_(md), blockSize_(blockSize),
          databaseKey_(databaseKey) {}

    void decipher(std::uint32_t number, std::span<std::uint8_t> page) const override {
        apply(number, page, Direction::Decipher);
    }
    void encipher(std::uint32_t number, std::span<std::uint8_t> page) const override {
        apply(number, page, Direction::Encipher);
    }

private:
    void apply(std::uint32_t number, std::span<std::uint8_t> page, Direction direction) const {
        const Bytes iv = fitted(digest(md_, concat(salt_, le32(number ^ databaseKey_))), blockSize_, 0x36);
        cipherWith(ctx_, aesCipher(secret_.size(), true), secret_, iv.data(), page, direction);
    }

    Bytes secret_;
    Bytes salt_;
    const EVP_MD* md_;
    std::size_t blockSize_;
    std::uint32_t databaseKey_;
    mutable CipherContext ctx_;
};

// --- The standard form -------------------------------------------------------

std::unique_ptr<const PageCipher> standardCipher(std::span<const std::uint8_t> info, std::uint32_t databaseKey,
                                                 const Bytes& password, const std::string& name) {
    const auto u32 = [&](std::size_t at) {
        if (at + 4 > info.size())
            unreadable(name, "is cut short");
        return readU32(&info[at]);
    };
    const std::uint32_t headerSize = u32(8);
    const std::size_t header = 12;
    const std::uint32_t alg = u32(header + 8), hashAlg = u32(header + 12);
    std::uint32_t keyBits = u32(header + 16);
    const std::size_t verifier = header + std::size_t{headerSize};
    const std::uint32_t saltSize = u32(verifier);
    if (saltSize != 16)
        unreadable(name, "has a salt of " + std::to_string(saltSize) + " bytes");
    const std::size_t saltAt = verifier + 4, encryptedVerifierAt = saltAt + 16;
    const std::uint32_t hashSize = u32(encryptedVerifierAt + 16);
    const std::size_t encryptedHashAt = encryptedVerifierAt + 20;
    if (hashAlg != kAlgSha1 && hashAlg != 0)
        unreadable(name, "names hash algorithm " + std::to_string(hashAlg) + ", which Ravelin does not know");
    const std::size_t storedHash = alg == kAlgRc4 ? 20 : 32;
    if (hashSize != 20 || encryptedHashAt + storedHash > info.size())
        unreadable(name, "has a verifier cut short");
    const auto salt = info.subspan(saltAt, 16);
    Bytes check(info.begin() + static_cast<std::ptrdiff_t>(encryptedVerifierAt),
                info.begin() + static_cast<std::ptrdiff_t>(encryptedVerifierAt + 16));
    check.insert(check.end(), info.begin() + static_cast<std::ptrdiff_t>(encryptedHashAt),
                 info.begin() + static_cast<std::ptrdiff_t>(encryptedHashAt + storedHash));
    const auto verified = [&](const Bytes& plain) {
        const Bytes hash = digest(libcrypto().EVP_sha1(), std::span(plain).first(16));
        return std::equal(hash.begin(), hash.end(), plain.begin() + 16);
    };
    CipherContext ctx;

    if (alg == kAlgRc4) {
        if (keyBits == 0)
            keyBits = 40;
        if (keyBits < 40 || keyBits > 128 || keyBits % 8 != 0)
            unreadable(name, "has an RC4 key of " + std::to_string(keyBits) + " bits");
        auto cipher = std::make_unique<StandardRc4Cipher>(digest(libcrypto().EVP_sha1(), concat(salt, password)), keyBits / 8,
                                                          databaseKey);
        // The verifier and its hash are one RC4 stream under block 0's key.
        cipher->apply(0, check);
        if (!verified(check))
            return nullptr;
        return cipher;
    }
    if (alg != kAlgAes128 && alg != kAlgAes192 && alg != kAlgAes256)
        unreadable(name, "names cipher " + std::to_string(alg) + ", which Ravelin does not know");
    if (!aesCipher(keyBits / 8, false))
        unreadable(name, "has an AES key of " + std::to_string(keyBits) + " bits");
    // Files Access writes spin the password hash as the format describes;
    // some writers spin it not at all.
    for (const std::uint32_t spins : {kStandardSpinCount, 0u}) {
        auto cipher = std::make_unique<StandardAesCipher>(spunHash(libcrypto().EVP_sha1(), salt, password, spins), keyBits / 8,
                                                          databaseKey);
        Bytes plain = check;
        cipherWith(ctx, aesCipher(keyBits / 8, false), cipher->key(0), nullptr, plain);
        if (verified(plain))
            return cipher;
    }
    return nullptr;
}

// --- The agile form -------------------------------------------------------------

// The value of attribute `name` of the first element `element` in `xml`.
std::optional<std::string> attribute(std::string_view xml, std::string_view element, std::string_view name) {
    const std::size_t open = xml.find("<" + std::string(element) + " ");
    if (open == std::string_view::npos)
        return std::nullopt;
    const std::size_t end = xml.find('>', open);
    const std::string_view tag = xml.substr(open, end == std::string_view::npos ? xml.npos : end - open);
    const std::string key = " " + std::string(name) + "=\"";
    const std::size_t at = tag.find(key);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::size_t from = at + key.size();
    const std::size_t to = tag.find('"', from);
    if (to == std::string_view::npos)
        return std::nullopt;
    return std::string(tag.substr(from, to - from));
}

Bytes base64(const std::string& text, const std::string& name) {
    Bytes out(3 * (text.size() / 4) + 3);
    const int length = libcrypto().EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                       static_cast<int>(text.size()));
    if (length < 0 || text.size() % 4 != 0)
        unreadable(name, "holds a value that is not base64");
    // EVP_DecodeBlock counts the padding's bytes too.
    std::size_t size = static_cast<std::size_t>(length);
    for (std::size_t n = text.size(); n > 0 && text[n - 1] == '=' && size > 0; --n)
        --size;
    out.resize(size);
    return out;
}

const EVP_MD* hashNamed(const std::string& hash) {
    if (hash == "SHA1")
        return libcrypto().EVP_sha1();
    if (hash == "SHA256")
        return libcrypto().EVP_sha256();
    if (hash == "SHA384")
        return libcrypto().EVP_sha384();
    if (hash == "SHA512")
        return libcrypto().EVP_sha512();
    return nullptr;
}

struct AgileParameters {
    const EVP_MD* md;
    Bytes salt;
    std::size_t keyBytes, blockSize;
};

AgileParameters agileParameters(std::string_view xml, std::string_view element, const std::string& name) {
    const auto need = [&](std::string_view attr) {
        auto v = attribute(xml, element, attr);
        if (!v)
            unreadable(name, "has no " + std::string(attr) + " for " + std::string(element));
        return *v;
    };
    if (need("cipherAlgorithm") != "AES" || need("cipherChaining") != "ChainingModeCBC")
        unreadable(name, "names cipher " + need("cipherAlgorithm") + " in " + need("cipherChaining") +
                             ", which Ravelin does not read");
    AgileParameters p{hashNamed(need("hashAlgorithm")), base64(need("saltValue"), name), 0, 0};
    if (!p.md)
        unreadable(name, "names hash " + need("hashAlgorithm") + ", which Ravelin does not know");
    const auto number = [&](std::string_view attr) {
        const std::string v = need(attr);
        if (v.empty() || v.size() > 6 || !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }))
            unreadable(name, "has " + std::string(attr) + " '" + v + "'");
        return static_cast<std::size_t>(std::stoul(v));
    };
    p.keyBytes = number("keyBits") / 8;
    p.blockSize = number("blockSize");
    if (!aesCipher(p.keyBytes, true) || p.blockSize != 16)
        unreadable(name, "has AES with a key of " + std::to_string(p.keyBytes * 8) + " bits and blocks of " +
                             std::to_string(p.blockSize) + " bytes");
    return p;
}

std::unique_ptr<const PageCipher> agileCipher(std::span<const std::uint8_t> info, std::uint32_t databaseKey,
                                              const Bytes& password, const std::string& name) {
    if (info.size() < 8)
        unreadable(name, "is cut short");
    const std::string_view xml(reinterpret_cast<const char*>(info.data() + 8), info.size() - 8);
    const AgileParameters data = agileParameters(xml, "keyData", name);
    const AgileParameters key = agileParameters(xml, "p:encryptedKey", name);
    const auto value = [&](std::string_view attr) {
        auto v = attribute(xml, "p:encryptedKey", attr);
        if (!v)
            unreadable(name, "has no " + std::string(attr));
        return base64(*v, name);
    };
    const auto spinText = attribute(xml, "p:encryptedKey", "spinCount").value_or("");
    if (spinText.empty() || spinText.size() > 7 ||
        !std::all_of(spinText.begin(), spinText.end(), [](char c) { return c >= '0' && c <= '9'; }))
        unreadable(name, "has spin count '" + spinText + "'");
    const Bytes spun = spunHash(key.md, key.salt, password, static_cast<std::uint32_t>(std::stoul(spinText)));
    const Bytes iv = fitted(key.salt, key.blockSize, 0x36);
    CipherContext ctx;
    const auto unlock = [&](std::span<const std::uint8_t> block, Bytes encrypted) {
        if (encrypted.empty() || encrypted.size() % key.blockSize != 0)
            unreadable(name, "holds an encrypted value that is not whole blocks");
        const Bytes k = fitted(digest(key.md, concat(spun, block)), key.keyBytes, 0x36);
        cipherWith(ctx, aesCipher(key.keyBytes, true), k, iv.data(), encrypted);
        return encrypted;
    };
    const Bytes input = unlock(kVerifierInputBlock, value("encryptedVerifierHashInput"));
    const Bytes hash = unlock(kVerifierHashBlock, value("encryptedVerifierHashValue"));
    const Bytes expected = digest(key.md, std::span(input).first(std::min(input.size(), key.salt.size())));
    if (hash.size() < expected.size() || !std::equal(expected.begin(), expected.end(), hash.begin()))
        return nullptr;
    Bytes secret = unlock(kSecretKeyBlock, value("encryptedKeyValue"));
    if (secret.size() < data.keyBytes)
        unreadable(name, "holds a key shorter than its cipher's");
    secret.resize(data.keyBytes);
    return std::make_unique<AgileCipher>(std::move(secret), data.salt, data.md, data.blockSize, databaseKey);
}

// The EncryptionInfo in the header page; empty when there is none.
std::span<const std::uint8_t> encryptionInfo(std::span<const std::uint8_t> page0) {
    if (page0.size() < kInfoAt + 8)
        return {};
    const std::size_t length = readU16(&page0[kInfoLengthAt]);
    if (length < 8 || kInfoAt + length > page0.size())
        return {};
    return page0.subspan(kInfoAt, length);
}

}  // namespace

bool hasOfficeEncryption(std::span<const std::uint8_t> page0, const DatabaseHeader& header) {
    if (header.format.version == Version::Jet3 || header.format.version == Version::Jet4 || header.databaseKey == 0)
        return false;
    const auto info = encryptionInfo(page0);
    if (info.empty())
        return false;
    const std::uint16_t major = readU16(&info[0]), minor = readU16(&info[2]);
    return (major == kAgileVersion && minor == kAgileVersion) || (major >= 2 && major <= 4 && minor == kStandardMinor);
}

std::unique_ptr<const PageCipher> officePageCipher(std::span<const std::uint8_t> page0, const DatabaseHeader& header,
                                                   const std::string& password, const std::string& name) {
    if (password.empty())
        wrongPassword(name, false);
    const auto info = encryptionInfo(page0);
    if (info.size() < 12)
        unreadable(name, "is cut short");
    const Bytes pw = passwordBytes(password);
    const bool agile = readU16(&info[2]) == kAgileVersion;
    auto cipher = agile ? agileCipher(info, header.databaseKey, pw, name)
                        : standardCipher(info, header.databaseKey, pw, name);
    if (!cipher)
        wrongPassword(name, true);
    return cipher;
}

std::shared_ptr<const PageCipher> databasePageCipher(std::span<const std::uint8_t> page0, const DatabaseHeader& header,
                                                     const std::string& password, const std::string& name) {
    if (hasOfficeEncryption(page0, header))
        return officePageCipher(page0, header, password, name);
    if (header.databaseKey != 0)
        return std::make_shared<JetEncoding>(header.databaseKey);
    return nullptr;
}

}  // namespace jet
