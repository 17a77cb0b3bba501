// Matching records to expected moments through counts per time key.
#include "matching.h"

#include <algorithm>

#include "record.h"

namespace {

constexpr std::size_t keyCount = secondsPerDay + lateSeconds + 1;

}  // namespace

MomentMatch::MomentMatch() : tallies_(keyCount) {}

void MomentMatch::startFile(int interval) {
    interval_ = interval;
    if (++stamp_ == 0) {  // the stamps went round: start afresh
        std::fill(tallies_.begin(), tallies_.end(), Tally{});
        stamp_ = 1;
    }
}
