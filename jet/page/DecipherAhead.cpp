#include "jet/page/DecipherAhead.h"

#include "jet/Error.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace jet {
namespace {

constexpr std::uint32_t kRunPages = 16;  // 64 KB of 4 KB pages, what the file source reads at once
constexpr int kPending = 0, kDone = 1, kFailed = 2;

}  // namespace

struct DecipherAhead::Run {
    std::uint32_t first = 0, count = 0;
    std::vector<std::uint8_t> bytes;          // enciphered, each page deciphered in place
    std::unique_ptr<std::atomic<int>[]> state;  // kPending, kDone or kFailed a page
    // Pages claimed: the reader's from the front (low half), the helper's
    // from the back (high half), so that the two meet once a run and do
    // not take turns on the same pages.
    std::atomic<std::uint64_t> claimed{0};

    // The index of the next page from the front (`front`) or the back; count when none is left.
    std::uint32_t claim(bool front) {
        for (std::uint64_t now = claimed.load();;) {
            const auto fronts = static_cast<std::uint32_t>(now), backs = static_cast<std::uint32_t>(now >> 32);
            if (fronts + backs >= count)
                return count;
            if (claimed.compare_exchange_weak(now, now + (front ? 1 : std::uint64_t{1} << 32)))
                return front ? fronts : count - 1 - backs;
        }
    }
    std::uint32_t frontClaimed() const { return static_cast<std::uint32_t>(claimed.load()); }

    bool contains(std::uint32_t number) const { return number >= first && number - first < count; }

    // Deciphers page `index`, claimed by the caller, with the caller's cipher.
    void decipher(std::uint32_t index, const PageCipher& cipher, std::size_t pageSize) {
        int outcome = kDone;
        try {
            cipher.decipher(first + index, std::span(bytes).subspan(index * pageSize, pageSize));
        } catch (...) {  // the reader deciphers it again and meets the error itself
            outcome = kFailed;
        }
        state[index].store(outcome, std::memory_order_release);
        state[index].notify_all();
    }
};

DecipherAhead::DecipherAhead(const PageSource& source, std::size_t pageSize, std::uint32_t pageCount,
                             const PageCipher& cipher, std::unique_ptr<PageCipher> helper)
    : source_(source), pageSize_(pageSize), pageCount_(pageCount), cipher_(cipher), helper_(std::move(helper)) {}

DecipherAhead::~DecipherAhead() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    posted_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool DecipherAhead::load(std::uint32_t number, std::span<std::uint8_t> out) {
    inOrder_ = number == last_ + 1 ? inOrder_ + 1 : 0;
    last_ = number;
    if (next_ && next_->contains(number))
        current_ = std::move(next_);
    if (!current_ || !current_->contains(number)) {
        // Two loads in file order in a row start runs; any other load goes on alone.
        if (inOrder_ < 2 || !helper_ || !(current_ = start(number)))
            return false;
        next_.reset();
    }
    const std::uint32_t end = current_->first + current_->count;
    if (!next_ && inOrder_ >= 2 && end < pageCount_)
        next_ = start(end);
    take(*current_, number - current_->first, out);
    return true;
}

std::shared_ptr<DecipherAhead::Run> DecipherAhead::start(std::uint32_t first) {
    auto run = std::make_shared<Run>();
    run->first = first;
    run->count = std::min(kRunPages, pageCount_ - first);
    run->bytes.resize(run->count * pageSize_);
    run->state = std::make_unique<std::atomic<int>[]>(run->count);
    try {
        source_.read(std::uint64_t{first} * pageSize_, run->bytes);
    } catch (const Error&) {  // pages the reader may never need: it meets the error if it does
        return nullptr;
    }
    {
        const std::lock_guard lock(mutex_);
        if (!thread_.joinable())
            thread_ = std::thread([this] { work(); });
        queue_.push_back(run);
    }
    posted_.notify_one();
    return run;
}

void DecipherAhead::take(Run& run, std::uint32_t index, std::span<std::uint8_t> out) {
    // The pages up to this one that the helper has not claimed yet are deciphered here.
    while (run.frontClaimed() <= index) {
        const std::uint32_t i = run.claim(true);
        if (i == run.count)
            break;
        run.decipher(i, cipher_, pageSize_);
    }
    std::atomic<int>& state = run.state[index];
    int now = kPending;
    while ((now = state.load(std::memory_order_acquire)) == kPending)
        state.wait(kPending, std::memory_order_acquire);
    if (now == kFailed) {  // deciphered here from the file, to meet the error
        source_.read(std::uint64_t{run.first + index} * pageSize_, out);
        cipher_.decipher(run.first + index, out);
        return;
    }
    std::memcpy(out.data(), run.bytes.data() + std::size_t{index} * pageSize_, pageSize_);
}

void DecipherAhead::work() {
    for (;;) {
        std::shared_ptr<Run> run;
        {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [&] { return stop_ || !queue_.empty(); });
            if (stop_)
                return;
            run = std::move(queue_.front());
            queue_.pop_front();
        }
        for (std::uint32_t i = run->claim(false); i < run->count; i = run->claim(false))
            run->decipher(i, *helper_, pageSize_);
    }
}

}  // namespace jet
