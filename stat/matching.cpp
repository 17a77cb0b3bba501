// Matching records to expected moments through counts per time key.
#include "matching.h"

#include <algorithm>

#include "record.h"

namespace {

constexpr std::size_t keyCount = secondsPerDay + lateSeconds + 1;

void add(unsigned char& count) {
    if (count < 0xFF) ++count;
}

}  // namespace

MomentMatch::MomentMatch() : tallies_(keyCount) {}

int MomentMatch::keyOf(int second, bool withSeconds) const {
    if (interval_ >= hourMinuteInterval || !withSeconds) return second - second % 60;
    return second;
}

MomentMatch::Tally& MomentMatch::tallyOf(int key) {
    Tally& tally = tallies_[static_cast<std::size_t>(key)];
    if (tally.stamp != stamp_) tally = {stamp_, 0, 0};
    return tally;
}

void MomentMatch::startFile(int interval) {
    interval_ = interval;
    if (++stamp_ == 0) {  // the stamps went round: start afresh
        std::fill(tallies_.begin(), tallies_.end(), Tally{});
        stamp_ = 1;
    }
}

void MomentMatch::addMoment(int second) { add(tallyOf(keyOf(second, true)).moments); }

void MomentMatch::addRecord(int second, bool withSeconds) {
    add(tallyOf(keyOf(second, withSeconds)).records);
}

int MomentMatch::momentsLike(int second, bool withSeconds) {
    return tallyOf(keyOf(second, withSeconds)).moments;
}

bool MomentMatch::takeRecordFor(int second) {
    int key = keyOf(second, true);
    int reach = interval_ >= hourMinuteInterval ? 0 : lateSeconds;
    for (int late = 0; late <= reach; ++late) {
        unsigned char& count = tallyOf(key + late).records;
        if (count > 0) {
            --count;
            return true;
        }
    }
    return false;
}
