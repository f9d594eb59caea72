#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace duruz {

// The capture requests written and not answered yet, oldest first, each with the
// settings generation it went out under. Held as runs of requests that share a
// generation, in fixed storage: when the runs are all taken, the two oldest merge
// under the older generation, which can only make a later judgement stricter.
class RequestLedger {
public:
    static constexpr std::size_t kRuns = 8;

    void Push(std::uint32_t generation) {
        if (count_ > 0 && runs_[count_ - 1].generation == generation) {
            ++runs_[count_ - 1].requests;
            return;
        }
        if (count_ == kRuns) {
            runs_[0].requests += runs_[1].requests;
            for (std::size_t i = 1; i + 1 < kRuns; ++i)
                runs_[i] = runs_[i + 1];
            --count_;
        }
        runs_[count_++] = {generation, 1};
    }

    // Takes the oldest request; false when none is outstanding.
    bool Pop(std::uint32_t& generation) {
        if (count_ == 0)
            return false;
        generation = runs_[0].generation;
        if (--runs_[0].requests == 0) {
            for (std::size_t i = 0; i + 1 < count_; ++i)
                runs_[i] = runs_[i + 1];
            --count_;
        }
        return true;
    }

    void Clear() { count_ = 0; }
    bool Empty() const { return count_ == 0; }

private:
    struct Run {
        std::uint32_t generation = 0;
        std::uint32_t requests = 0;
    };
    std::array<Run, kRuns> runs_{};
    std::size_t count_ = 0;
};

} // namespace duruz
