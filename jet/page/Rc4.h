#pragma once
// RC4, the stream cipher Jet uses to encipher part of the header page and,
// in encoded databases (workgroup files among them), every other page.
#include <array>
#include <cstdint>
#include <span>

namespace jet {

class Rc4 {
public:
    explicit Rc4(std::span<const std::uint8_t> key);
    // Enciphers or deciphers `data` in place (the same operation).
    void apply(std::span<std::uint8_t> data);

private:
    std::array<std::uint8_t, 256> state_{};
    std::uint8_t i_ = 0;
    std::uint8_t j_ = 0;
};

}  // namespace jet
