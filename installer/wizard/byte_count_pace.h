#pragma once
#include <stdint.h>

#include "common/tick_span.h"

// The byte counts change every few chunks; setting the text is a trip to the
// window system each time, so they go up at most this often, and those held
// back go up from a timer.
const uint32_t byteCountsInterval = 100;

// When a report's byte counts go up: the first counts of every download and
// its last ones at once, so that the line never describes another download
// than the one running; those in between at most once every
// byteCountsInterval milliseconds of the tick counter.
class ByteCountPace {
public:
    ByteCountPace() : shownAt_(0), firstPending_(true) {}

    // Whether counts reported at now go up at once; final: the download's last.
    bool showsNow(uint32_t now, bool final) const
    {
        return final || firstPending_ || tickSpanReached(shownAt_, now, byteCountsInterval);
    }
    // Counts went up at now.
    void shown(uint32_t now)
    {
        shownAt_ = now;
        firstPending_ = false;
    }
    // A download ended: the next counts are those of another.
    void downloadEnded() { firstPending_ = true; }

private:
    uint32_t shownAt_;
    bool firstPending_;
};
