#include "jet/page/Rc4.h"

#include <utility>

namespace jet {

Rc4::Rc4(std::span<const std::uint8_t> key) {
    for (unsigned n = 0; n < 256; ++n)
        state_[n] = static_cast<std::uint8_t>(n);
    if (key.empty())
        return;
    std::uint8_t j = 0;
    for (unsigned n = 0; n < 256; ++n) {
        j = static_cast<std::uint8_t>(j + state_[n] + key[n % key.size()]);
        std::swap(state_[n], state_[j]);
    }
}

void Rc4::apply(std::span<std::uint8_t> data) {
    for (auto& byte : data) {
        i_ = static_cast<std::uint8_t>(i_ + 1);
        j_ = static_cast<std::uint8_t>(j_ + state_[i_]);
        std::swap(state_[i_], state_[j_]);
        byte ^= state_[static_cast<std::uint8_t>(state_[i_] + state_[j_])];
    }
}

}  // namespace jet
