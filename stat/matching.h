// Which expected moments of a day's file have a record: the records' time
// texts and the moments are compared as a multiset.  A time text matches
// one expected moment with the same text, and a time with seconds also the
// moment up to two seconds before it (the record time is read when the
// cycle has started).  The check and the statistics both use it.
#pragma once

#include <vector>

#include "pcutil.h"
#include "pollrules.h"
#include "record.h"

// How far a record time may lie after its moment.
constexpr int lateSeconds = 2;

class MomentMatch {
public:
    MomentMatch();

    // Starts the file of a day of a poller with this interval: nothing
    // counted yet.
    void startFile(int interval);
    void addMoment(int second);
    void addRecord(int second, bool withSeconds);
    // The expected moments with the time text of a record.
    int momentsLike(int second, bool withSeconds);
    // Takes a record that matches the moment; false when none is left.
    bool takeRecordFor(int second);

private:
    int keyOf(int second, bool withSeconds) const;

    // Counts per time key (seconds-of-day, or the minute's first second),
    // valid for the file of the current stamp only, so that nothing needs
    // clearing between files.
    struct Tally {
        unsigned short stamp = 0;
        unsigned char records = 0;  // records with the key (counted up to 255)
        unsigned char moments = 0;  // expected moments with the key
    };
    Tally& tallyOf(int key);
    static void add(unsigned char& count) {
        if (count < 0xFF) ++count;
    }
    std::vector<Tally> tallies_;
    unsigned short stamp_ = 0;
    int interval_ = minInterval;
};

// Inline: they run for every record and every moment.

inline int MomentMatch::keyOf(int second, bool withSeconds) const {
    if (interval_ >= hourMinuteInterval || !withSeconds) return second - second % 60;
    return second;
}

inline MomentMatch::Tally& MomentMatch::tallyOf(int key) {
    Tally& tally = tallies_[static_cast<std::size_t>(key)];
    if (tally.stamp != stamp_) tally = {stamp_, 0, 0};
    return tally;
}

inline void MomentMatch::addMoment(int second) { add(tallyOf(keyOf(second, true)).moments); }

inline void MomentMatch::addRecord(int second, bool withSeconds) {
    add(tallyOf(keyOf(second, withSeconds)).records);
}

inline int MomentMatch::momentsLike(int second, bool withSeconds) {
    return tallyOf(keyOf(second, withSeconds)).moments;
}

inline bool MomentMatch::takeRecordFor(int second) {
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
