#include "protocol/SerialSetup.h"

#include "platform/PortDirectory.h"

#include <cstdio>

namespace tmx7 {

namespace {

struct FormatRow {
    int code;
    const char* format;
};
constexpr FormatRow kFormatCodes[] = {
    {0, "n,8,1"}, {2, "n,8,2"}, {3, "o,8,1"}, {4, "o,8,2"}, {5, "e,8,1"}, {6, "e,8,2"},
};

constexpr const char* kTryFormats[] = {"n,8,1", "e,8,1"};

} // namespace

std::optional<std::string> LineFormatForCode(int formatCode) {
    for (const auto& row : kFormatCodes)
        if (row.code == formatCode)
            return std::string(row.format);
    return std::nullopt;
}

std::optional<int> ProbeAnswerFormatCode(const std::uint8_t* packet, std::size_t length) {
    if (packet == nullptr || length != 13)
        return std::nullopt;
    if (packet[8] != kProbeAnswerCode || packet[9] != kAccessQuery || packet[10] != 0x00 ||
        packet[11] != 0x00)
        return std::nullopt;
    return packet[12];
}

std::optional<int> PortNumberFromName(const std::string& name) {
    return PortDirectory::ParseName(name);
}

std::optional<int> BaudFromText(const std::string& text) {
    for (int baud : kDetectBauds) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%dbps", baud);
        if (text == buf)
            return baud;
    }
    return std::nullopt;
}

SerialSetup::SerialSetup(CPortTable& table, Clock& clock) : m_table(table), m_clock(clock) {}

std::optional<int> SerialSetup::WaitForProbeAnswer(int port) {
    // The wait ends as soon as an answer is in; a module that answers at all
    // answers well within the second, so only a failing try costs the full wait.
    const TimePoint deadline = m_clock.now() + kProbeWait;
    for (;;) {
        while (auto packet = m_table.TakeOldest(port)) {
            if (auto code = ProbeAnswerFormatCode(packet->data(), packet->size()))
                return code;
        }
        const TimePoint now = m_clock.now();
        if (now >= deadline)
            return std::nullopt;
        m_clock.sleepFor(
            std::min<Millis>(kPollStep, std::chrono::duration_cast<Millis>(deadline - now)));
    }
}

std::optional<std::string> SerialSetup::ProbeExchange(int port, int baud) {
    // Whatever was waiting before the probe cannot be its answer.
    while (m_table.TakeOldest(port)) {
    }
    if (m_table.Write(port, kFormatProbe) != WriteStatus::Queued) {
        m_table.Stop(port);
        return std::nullopt;
    }
    const auto code = WaitForProbeAnswer(port);
    m_table.Stop(port);
    if (!code)
        return std::nullopt;
    const auto format = LineFormatForCode(*code);
    if (!format)
        return std::nullopt; // an answer naming no known format is no way to talk to the module
    m_clock.sleepFor(kReopenPause);
    if (m_table.Open(port, baud, *format) != 1)
        return std::nullopt;
    return format;
}

SetupResult SerialSetup::Confirm(int port, int baud) {
    SetupResult result;
    result.comPort = port;
    result.baud = baud;
    for (const char* format : kTryFormats) {
        if (m_table.Open(port, baud, format) != 1)
            return result; // the port table has told the user already
        if (auto moduleFormat = ProbeExchange(port, baud)) {
            result.connected = true;
            result.lineFormat = *moduleFormat;
            result.connectDelayMs = 0;
            return result;
        }
    }
    result.message = "串口设置失败，请重新设置";
    return result;
}

SetupResult SerialSetup::AutoDetect(int port,
                                    const std::function<void(const std::string&)>& onFailedBaud) {
    SetupResult result;
    result.comPort = port;
    for (const char* format : kTryFormats) {
        for (int baud : kDetectBauds) {
            result.baud = baud;
            if (m_table.Open(port, baud, format) != 1)
                break; // this format is given up at once
            if (auto moduleFormat = ProbeExchange(port, baud)) {
                result.connected = true;
                result.lineFormat = *moduleFormat;
                result.connectDelayMs = 1000;
                return result;
            }
            if (onFailedBaud) {
                char caption[64];
                std::snprintf(caption, sizeof caption, "%d波特率检测失败", baud);
                onFailedBaud(caption);
            }
            m_clock.sleepFor(kBetweenTries);
        }
    }
    result.message = "串口检测失败，请重新检测";
    return result;
}

} // namespace tmx7
