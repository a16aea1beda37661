#include "settings/TrafficLog.h"

#include "protocol/TrafficText.h"

#include <utility>

namespace tmx7 {

TrafficLog::~TrafficLog() {
    Stop();
}

FileResult TrafficLog::Start(const std::string& path, Options options) {
    Stop();
    m_options = std::move(options);
    if (FileResult r = m_file.Open(path, m_options.file); !r)
        return r;
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
        m_active = true;
        m_queue.clear();
        m_pendingBytes = 0;
        m_droppedSinceNote = 0;
    }
    m_thread = std::thread([this] { Run(); });
    return FileResult::Success();
}

void TrafficLog::Append(const Traffic& traffic) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_active || m_stop)
            return;
        if (m_pendingBytes + traffic.bytes.size() > m_options.maxPendingBytes) {
            ++m_dropped;
            ++m_droppedSinceNote;
            return;
        }
        m_pendingBytes += traffic.bytes.size();
        m_queue.push_back(traffic);
    }
    m_cv.notify_one();
}

void TrafficLog::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_cv.notify_one();
    if (m_thread.joinable())
        m_thread.join();
    m_file.Close();
    std::lock_guard lock(m_mutex);
    m_active = false;
}

bool TrafficLog::Active() const {
    std::lock_guard lock(m_mutex);
    return m_active && !m_stop;
}

std::uint64_t TrafficLog::Written() const {
    std::lock_guard lock(m_mutex);
    return m_written;
}

std::uint64_t TrafficLog::Dropped() const {
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

void TrafficLog::Run() {
    bool failing = false;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_stop || !m_queue.empty() || m_droppedSinceNote > 0; });
        if (m_queue.empty() && m_droppedSinceNote == 0 && m_stop)
            return;
        std::deque<Traffic> batch;
        batch.swap(m_queue);
        m_pendingBytes = 0;
        const std::uint64_t dropped = std::exchange(m_droppedSinceNote, 0);
        lock.unlock();

        // One write per batch: at 57600 baud a batch is a handful of lines.
        std::string text;
        for (const Traffic& t : batch) {
            text += TrafficLine(t);
            text += '\n';
        }
        if (dropped > 0)
            text += "[" + std::to_string(dropped) + "个数据包未写入日志]\n";
        const FileResult r = m_file.Append(text);
        if (!r && !failing && m_options.onError)
            m_options.onError(r.message);
        failing = !r;

        lock.lock();
        if (r)
            m_written += batch.size();
        else
            m_dropped += batch.size();
    }
}

} // namespace tmx7
