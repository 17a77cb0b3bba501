// Matching records to expected moments through counts per time key.
#include "matching.h"

#include <algorithm>

#include "record.h"

namespace {

constexpr std::size_t keyCount = secondsPerDay + lateSeconds + 1;

}  // namespace

MomentMatch::MomentMatch() = default;

void MomentMatch::startFile(int interval) {
    interval_ = interval;
    // The counts are made for the first file that needs matching: most
    // files carry their moments' times exactly and never do.
    if (tallies_.empty()) tallies_.resize(keyCount);
    if (++stamp_ == 0) {  // the stamps went round: start afresh
        std::fill(tallies_.begin(), tallies_.end(), Tally{});
        stamp_ = 1;
    }
}
