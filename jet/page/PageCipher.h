#pragma once
// How the pages after the header page are deciphered as they are read, when
// a database enciphers them with more than Jet's own RC4 encoding (Office
// encryption of .accdb files, jet/crypto/).
#include <cstdint>
#include <memory>
#include <span>

namespace jet {

class PageCipher {
public:
    virtual ~PageCipher() = default;
    // Deciphers page `number` (never the header page) in place.
    virtual void decipher(std::uint32_t number, std::span<std::uint8_t> page) const = 0;
    // Another cipher of the same key, for a second thread: one cipher is
    // used by one thread at a time. None when there is no such copy.
    virtual std::unique_ptr<PageCipher> clone() const { return nullptr; }
};

}  // namespace jet
