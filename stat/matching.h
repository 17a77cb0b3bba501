// Which expected moments of a day's file have a record: the records' time
// texts and the moments are compared as a multiset.  A time text matches
// one expected moment with the same text, and a time with seconds also the
// moment up to two seconds before it (the record time is read when the
// cycle has started).  The check and the statistics both use it.
#pragma once

#include <vector>

#include "pcutil.h"
#include "pollrules.h"

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
    std::vector<Tally> tallies_;
    unsigned short stamp_ = 0;
    int interval_ = minInterval;
};

// How far a record time may lie after its moment.
constexpr int lateSeconds = 2;
