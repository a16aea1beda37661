#pragma once
// Where tmx7ctl speaks: results on stdout, progress and messages on stderr,
// one whole line at a time whatever thread speaks, each progress line opened
// by the port it is about.

#include "protocol/Events.h"

#include <mutex>
#include <string>
#include <vector>

namespace tmx7::cli {

class Console {
public:
    // Writes whole lines; `text` may hold several, each ending in '\n'.
    void Out(const std::string& text);
    // "COM5: text" on stderr.
    void Err(const std::string& unit, const std::string& text);

private:
    std::mutex m_mutex;
};

// One unit's engine events as lines on stderr: a percentage that only ever
// goes up, the notices the window would show as message boxes, lost ports
// and frames that were not sent. It keeps the last notice and the reason of a
// lost port for the unit's error text.
class UnitSink : public EventSink {
public:
    // A progress bar the next sequence shows, and where it falls in the
    // unit's 0..100.
    struct Bar {
        std::string what;
        int from = 0;
        int to = 100;
    };

    UnitSink(Console& console, std::string unit);
    // The bars of the sequence about to start, in the order they come.
    void Expect(std::vector<Bar> bars);
    void Say(const std::string& text) { m_console.Err(m_unit, text); }
    void Post(std::vector<Event> events) override;

    std::string LastNotice() const;
    bool PortLost() const;
    std::string LostReason() const;

private:
    void Show(int percent, const std::string& what);

    Console& m_console;
    std::string m_unit;
    mutable std::mutex m_mutex;
    std::vector<Bar> m_bars;
    std::size_t m_next = 0; // bar that the next ProgressShown{true} opens
    const Bar* m_open = nullptr;
    int m_printed = -1; // the last percentage printed; never printed smaller
    std::string m_lastNotice;
    bool m_lost = false;
    std::string m_lostReason;
};

} // namespace tmx7::cli
