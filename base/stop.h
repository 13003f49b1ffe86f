#pragma once

#include <atomic>

namespace lanxi {

// A request to stop long work (reading a file, decoding, encoding, fitting a copy, a batch row),
// shared between whoever may ask for the stop and the work. The work looks at it between its
// steps and ends soon after the request with a UserInterrupt error or a "stopped" result. Asking
// costs nothing and may come from any thread. Work that takes a null Stop cannot be stopped.
class Stop {
  public:
    void request() noexcept { requested_.store(true, std::memory_order_relaxed); }
    bool requested() const noexcept { return requested_.load(std::memory_order_relaxed); }

    static bool Requested(const Stop* stop) noexcept {
        return stop != nullptr && stop->requested();
    }

  private:
    std::atomic<bool> requested_{false};
};

}  // namespace lanxi
