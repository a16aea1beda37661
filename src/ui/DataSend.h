#pragma once
// How test data leaves the tool: the send button, the continuous send and the
// standard data all go through BuildDataSend; the nine preset lines through
// BuildPresetSend; the passive buttons through the frame builders below.
// Every builder is pure: it returns the exact bytes to write or a refusal
// with the text for the status bar, and never writes past its buffer.

#include "link/PortTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7 {

// Serial modes as the decoder reports them.
inline constexpr int kModeUnknown = -1;
inline constexpr int kModeActive = 0;
inline constexpr int kModePassive = 1;
inline constexpr int kModeModbus = 2;

// Buffers of one send, frame included.
inline constexpr std::size_t kSendAreaBuffer = 400; // send area and user data
inline constexpr std::size_t kStdDataBuffer = 200;  // standard data
inline constexpr std::size_t kPresetBuffer = 20;    // one preset line

// "$" A1 A2 "W" L1 L2 ... 0D: seven bytes around the data.
inline constexpr std::size_t kPassiveOverhead = 7;

enum class SendRefusal {
    None,
    ModeUnknown,      // the module has not told its serial mode yet: silent
    Empty,            // no data pieces
    TooLong,          // more bytes than the buffer holds
    NoPassiveAddress, // passive frame without an address of two hex pairs
};

struct SendResult {
    std::vector<std::uint8_t> bytes; // what to write; empty when refused
    SendRefusal refusal = SendRefusal::None;
    std::string status; // status-bar text of a refusal; empty when silent
    bool ok() const { return refusal == SendRefusal::None; }
};

// The data send of text `text` with a buffer of `bufferSize` bytes.
// Colons count as blanks (00:01 equals 00 01), and so do CR, LF and tabs, so
// a line saved on Windows sends no byte for its CR. Exactly one byte goes out
// per piece of text. Active and MODBUS mode send the bytes raw, at most
// `bufferSize` of them; passive mode wraps them in the write frame, at most
// `bufferSize` bytes frame included, and needs `passiveAddr` to be two hex
// pairs ("30 30"). Any other mode sends nothing and says nothing.
SendResult BuildDataSend(std::string_view text, std::size_t bufferSize, int serialMode,
                         std::string_view passiveAddr);

// A preset line: one byte per piece, at most 20, no colon rule and no
// framing whatever the mode. An empty line sends nothing and is no error.
SendResult BuildPresetSend(std::string_view text);

// ---- passive-mode frames ------------------------------------------------------

// The two address bytes of a passive address held as exactly two hex pairs
// separated by one blank ("30 30", either case); nothing for anything else.
std::optional<std::array<std::uint8_t, 2>> ParsePassiveAddress(std::string_view text);

// The write frame's length field. Modules count it in base 255, not 256:
// 254 -> 00 FE, 255 -> 01 00, 256 -> 01 01, 300 -> 01 2D. Nothing for a count
// whose high part does not fit in a byte (above 255 * 255 + 254).
std::optional<std::array<std::uint8_t, 2>> PassiveLengthField(std::size_t n);

// 24 A1 A2 52 0D
std::array<std::uint8_t, 5> MakePassiveReadFrame(std::array<std::uint8_t, 2> addr);
// 24 A1 A2 57 00 00 0D
std::array<std::uint8_t, 7> MakePassiveCheckFrame(std::array<std::uint8_t, 2> addr);
// 24 A1 A2 57 L1 L2 data 0D; nothing when the length field cannot hold n.
std::optional<std::vector<std::uint8_t>> MakePassiveWriteFrame(std::array<std::uint8_t, 2> addr,
                                                               std::span<const std::uint8_t> data);

// Buttons "读数据" and "判断内存": the frame for the address the module
// reported, or a refusal with a status text while it has reported none.
SendResult BuildReadDataSend(std::string_view passiveAddr);
SendResult BuildCheckMemorySend(std::string_view passiveAddr);

// ---- what became of a send --------------------------------------------------------

// Status-bar text for a data frame the port did not take; empty for Queued.
std::string DataWriteFailureText(WriteStatus status);

// A data send refused while a sequence (refresh, set, download ...) talks to
// the module: test data in between would glue onto its frames.
inline constexpr std::string_view kDataSendWhileBusy = "正在读写模块参数，数据未发送";

} // namespace tmx7
