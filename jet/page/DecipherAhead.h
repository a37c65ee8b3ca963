#pragma once
// Pages of an encrypted database deciphered ahead of a reader that goes
// through the file in order (a table scan): a second thread deciphers the
// next run of pages while the reader decodes the ones before, and the
// reader deciphers any page of a run it reaches first, so the two share
// the work. Deciphering RC4 costs about as much as decoding a page.
//
// Each page of a run is claimed once, by the thread that deciphers it (the
// reader from the front, the helper from the back), and marked done for the
// other; each thread has a
// cipher of its own. Runs are shared by the reader and the helper thread
// and live as long as either holds them. Used by one reader thread.
#include "jet/page/PageCipher.h"
#include "jet/page/PageSource.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

namespace jet {

class DecipherAhead {
public:
    // `cipher` is the reader's; `helper` another of the same key for the second thread.
    DecipherAhead(const PageSource& source, std::size_t pageSize, std::uint32_t pageCount, const PageCipher& cipher,
                  std::unique_ptr<PageCipher> helper);
    ~DecipherAhead();
    DecipherAhead(const DecipherAhead&) = delete;
    DecipherAhead& operator=(const DecipherAhead&) = delete;

    // Fills `out` with page `number` deciphered when it lies in a run (one
    // is started when the reader goes in order); false when the caller reads
    // and deciphers it itself.
    bool load(std::uint32_t number, std::span<std::uint8_t> out);

private:
    struct Run;
    std::shared_ptr<Run> start(std::uint32_t first);
    // Page `index` of `run`, deciphered by whichever thread claimed it.
    void take(Run& run, std::uint32_t index, std::span<std::uint8_t> out);
    void work();

    const PageSource& source_;
    std::size_t pageSize_;
    std::uint32_t pageCount_;
    const PageCipher& cipher_;
    std::unique_ptr<PageCipher> helper_;
    std::uint32_t last_ = 0;      // the page loaded last
    int inOrder_ = 0;             // loads in file order in a row
    std::shared_ptr<Run> current_, next_;

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::shared_ptr<Run>> queue_;  // runs for the helper thread
    bool stop_ = false;
    std::thread thread_;  // started with the first run
};

}  // namespace jet
