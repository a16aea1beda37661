#pragma once
// Keeps every packet and frame in a log file, one TrafficLine per line, until
// stopped. The caller (a port's thread) only queues; a writer thread of the
// log's own does the disk work, so a slow or stalled disk never holds up the
// line. While the writer lags by more than a bound, lines are counted rather
// than queued, and a line in the log says how many were left out.

#include "platform/AppendLog.h"
#include "protocol/Events.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tmx7 {

class TrafficLog {
public:
    struct Options {
        AppendLog::Options file;
        // Bytes of traffic queued for the writer before lines are left out.
        std::size_t maxPendingBytes = 4 * 1024 * 1024;
        // Told on the writer's thread when a write fails (once per run of
        // failures), with the file's error.
        std::function<void(const std::string&)> onError;
    };

    TrafficLog() = default;
    ~TrafficLog();
    TrafficLog(const TrafficLog&) = delete;
    TrafficLog& operator=(const TrafficLog&) = delete;

    // Opens `path` for appending and starts the writer.
    FileResult Start(const std::string& path, Options options);
    // Queues one packet or frame; never waits for the disk.
    void Append(const Traffic& traffic);
    // Writes what is queued, closes the file and ends the writer.
    void Stop();

    bool Active() const;
    std::uint64_t Written() const;
    std::uint64_t Dropped() const;

private:
    void Run();

    AppendLog m_file;
    Options m_options;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Traffic> m_queue;
    std::size_t m_pendingBytes = 0;
    std::uint64_t m_droppedSinceNote = 0;
    std::uint64_t m_written = 0;
    std::uint64_t m_dropped = 0;
    bool m_stop = false;
    bool m_active = false;
    std::thread m_thread;
};

} // namespace tmx7
