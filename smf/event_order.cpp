#include "smf/event_order.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "song/resident_memory.h"

bool eventOrderLess(const MidiEvent& a, const MidiEvent& b) {
    if (a.tick != b.tick) {
        return a.tick < b.tick;
    }
    return eventClass(a) < eventClass(b);
}

// A drum track is gathered one source track after another: a few runs in time
// order, each out of class order at a few ticks at most. So each tick's events
// are put in class order where they are not, then the runs are merged. Both
// steps are stable, and the result is a stable sort's, in a pass or two.
void orderEvents(EventRefs& events) {
    const auto less = [](const MidiEvent* a, const MidiEvent* b) { return eventOrderLess(*a, *b); };
    const auto at = [&events](std::size_t i) { return events.begin() + static_cast<std::ptrdiff_t>(i); };
    std::vector<std::size_t> runStarts;
    for (std::size_t i = 0; i < events.size();) {
        if (i == 0 || events[i]->tick < events[i - 1]->tick) {
            runStarts.push_back(i);
        }
        std::size_t end = i + 1;
        while (end < events.size() && events[end]->tick == events[i]->tick) {
            ++end;
        }
        if (!std::is_sorted(at(i), at(end), less)) {
            std::stable_sort(at(i), at(end), less);
        }
        i = end;
    }
    // Neighbouring runs merged pairwise until one is left, each first run
    // moved aside into one buffer for all the merges (a buffer of its own for
    // every merge would be new memory every time).
    EventRefs firstRun;
    if (runStarts.size() > 1) {
        reserveResident(firstRun, events.size());
    }
    while (runStarts.size() > 1) {
        std::vector<std::size_t> merged;
        for (std::size_t k = 0; k < runStarts.size(); k += 2) {
            merged.push_back(runStarts[k]);
            if (k + 1 < runStarts.size()) {
                const std::size_t end = k + 2 < runStarts.size() ? runStarts[k + 2] : events.size();
                firstRun.assign(at(runStarts[k]), at(runStarts[k + 1]));
                auto a = firstRun.begin();
                auto b = at(runStarts[k + 1]);
                auto out = at(runStarts[k]);
                while (a != firstRun.end() && b != at(end)) {
                    *out++ = less(*b, *a) ? *b++ : *a++;  // a tie takes from the first run: stable
                }
                std::copy(a, firstRun.end(), out);  // what is left of the second run is in place
            }
        }
        runStarts.swap(merged);
    }
}
