#pragma once
// How the pages after the header page are enciphered: by Jet's own RC4
// encoding (a database key in the header) or by Office encryption of .accdb
// files (jet/crypto/). The header page is never enciphered as a page.
#include <cstdint>
#include <memory>
#include <span>

namespace jet {

class PageCipher {
public:
    virtual ~PageCipher() = default;
    // Deciphers page `number` (never the header page) in place.
    virtual void decipher(std::uint32_t number, std::span<std::uint8_t> page) const = 0;
    // Enciphers page `number` in place, as the file keeps it: decipher undoes it.
    virtual void encipher(std::uint32_t number, std::span<std::uint8_t> page) const = 0;
    // Another cipher of the same key, for a second thread: one cipher is
    // used by one thread at a time. None when there is no such copy.
    virtual std::unique_ptr<PageCipher> clone() const { return nullptr; }
};

// Jet's encoding: each page RC4 under the database key XOR its number.
class JetEncoding final : public PageCipher {
public:
    explicit JetEncoding(std::uint32_t databaseKey) : databaseKey_(databaseKey) {}
    void decipher(std::uint32_t number, std::span<std::uint8_t> page) const override;
    void encipher(std::uint32_t number, std::span<std::uint8_t> page) const override { decipher(number, page); }

private:
    std::uint32_t databaseKey_;
};

}  // namespace jet
