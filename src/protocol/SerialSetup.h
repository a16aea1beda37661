#pragma once
// What the serial settings dialog does, without its window: the format probe,
// the two tries of its OK button and the automatic baud-rate detection. The
// window shows the texts this returns; tests drive it against a simulated
// module.

#include "link/PortTable.h"
#include "platform/Clock.h"
#include "protocol/Frames.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tmx7 {

// Host-side baud rates, in the order auto-detection tries them.
inline constexpr std::array<int, 7> kDetectBauds = {1200, 2400, 4800, 9600, 19200, 38400, 57600};

// The 9-byte probe: command preamble followed by FE, no access byte.
inline constexpr ShortFrame kFormatProbe = MakeProbeFrame();

// Line format that a probe answer's format code names; nullopt for codes the
// module does not define (1 and anything above 6).
std::optional<std::string> LineFormatForCode(int formatCode);

// The module's format code when `packet` is a probe answer (exactly 13 bytes,
// FD 03 00 00 at offsets 8..11), otherwise nullopt.
std::optional<int> ProbeAnswerFormatCode(const std::uint8_t* packet, std::size_t length);

// The port list's "COM<n>" to its number: PortDirectory::ParseName.
std::optional<int> PortNumberFromName(const std::string& name);
// "9600bps" and its six siblings -> the baud rate; anything else -> nullopt.
std::optional<int> BaudFromText(const std::string& text);

struct SetupResult {
    bool connected = false;
    int comPort = 0;
    int baud = 0;
    std::string lineFormat; // the module's format, the port is open with it
    int connectDelayMs = 0; // when the start-up connection should run
    std::string message;    // for a message box; empty when there is nothing to say
};

class SerialSetup {
public:
    SerialSetup(CPortTable& table, Clock& clock = RealClock());

    // One try: probe the already opened port and, on a valid answer, reopen it
    // with the module's format. Returns that format, or nullopt (port stopped).
    std::optional<std::string> ProbeExchange(int port, int baud);

    // The OK button: "n,8,1" then "e,8,1" at the chosen baud rate.
    SetupResult Confirm(int port, int baud);

    // Automatic detection over kDetectBauds for both formats. `onFailedBaud`
    // receives the caption to show after every baud rate that gave no answer.
    SetupResult AutoDetect(int port,
                           const std::function<void(const std::string&)>& onFailedBaud = {});

    // Limit of the wait for the probe answer and pause between tries.
    static constexpr Millis kProbeWait{1000};
    static constexpr Millis kReopenPause{500};
    static constexpr Millis kBetweenTries{500};
    static constexpr Millis kPollStep{10};

private:
    std::optional<int> WaitForProbeAnswer(int port);

    CPortTable& m_table;
    Clock& m_clock;
};

} // namespace tmx7
