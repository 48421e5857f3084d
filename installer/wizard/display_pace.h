#pragma once
#include <stdint.h>

#include "common/tick_span.h"

// The byte counts change every few chunks and the bars every few hundred;
// setting a text or moving a bar is a trip to the window system each time,
// so they change at most this often (the bars 30 times a second: a person
// sees no more), and what is held back goes up from a timer.
const uint32_t byteCountsInterval = 100;
const uint32_t barsInterval = 33;

// When a report's figures go up: the first ones of every download and its
// last ones at once, so that the dialog never describes another download than
// the one running; those in between at most once every interval milliseconds
// of the tick counter.
class DisplayPace {
public:
    explicit DisplayPace(uint32_t interval) : interval_(interval), shownAt_(0), firstPending_(true) {}

    // Whether figures reported at now go up at once; final: the download's last.
    bool showsNow(uint32_t now, bool final) const
    {
        return final || firstPending_ || tickSpanReached(shownAt_, now, interval_);
    }
    // Figures went up at now.
    void shown(uint32_t now)
    {
        shownAt_ = now;
        firstPending_ = false;
    }
    // A download ended: the next figures are those of another.
    void downloadEnded() { firstPending_ = true; }

private:
    uint32_t interval_;
    uint32_t shownAt_;
    bool firstPending_;
};
