#include "ui/DataSend.h"

#include "protocol/Frames.h"

#include <string>

namespace tmx7 {

namespace {

// The send area is multi-line and the user data file may come from Windows:
// line ends and tabs separate pieces like blanks instead of becoming bytes.
std::string PiecesText(std::string_view text, bool colonsAreBlanks) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n' || c == '\t' || (colonsAreBlanks && c == ':'))
            c = ' ';
    }
    return out;
}

SendResult Refuse(SendRefusal why, std::string status) {
    SendResult r;
    r.refusal = why;
    r.status = std::move(status);
    return r;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

constexpr std::string_view kNoAddressData = "未读到被动地址，数据未发送";
constexpr std::string_view kNoAddressRead = "未读到被动地址，无法读数据";
constexpr std::string_view kNoAddressCheck = "未读到被动地址，无法判断内存";
constexpr std::string_view kEmpty = "没有要发送的数据";

} // namespace

SendResult BuildDataSend(std::string_view text, std::size_t bufferSize, int serialMode,
                         std::string_view passiveAddr) {
    if (serialMode != kModeActive && serialMode != kModePassive && serialMode != kModeModbus)
        return Refuse(SendRefusal::ModeUnknown, {});
    const std::string pieces = PiecesText(text, true);
    const std::size_t n = CountHexTokens(pieces);
    if (n == 0)
        return Refuse(SendRefusal::Empty, std::string(kEmpty));

    if (serialMode != kModePassive) {
        if (n > bufferSize)
            return Refuse(SendRefusal::TooLong,
                          "发送数据超过" + std::to_string(bufferSize) + "字节，未发送");
        SendResult r;
        r.bytes.resize(n);
        r.bytes.resize(HexTextToBytes(pieces, r.bytes.data(), n));
        return r;
    }

    const auto addr = ParsePassiveAddress(passiveAddr);
    if (!addr)
        return Refuse(SendRefusal::NoPassiveAddress, std::string(kNoAddressData));
    const std::size_t limit = bufferSize > kPassiveOverhead ? bufferSize - kPassiveOverhead : 0;
    if (n > limit)
        return Refuse(SendRefusal::TooLong,
                      "被动模式发送数据超过" + std::to_string(limit) + "字节，未发送");
    std::vector<std::uint8_t> data(n);
    data.resize(HexTextToBytes(pieces, data.data(), n));
    auto frame = MakePassiveWriteFrame(*addr, data);
    if (!frame) // unreachable for any buffer the tool uses; never send a wrong length
        return Refuse(SendRefusal::TooLong, "发送数据过长，未发送");
    SendResult r;
    r.bytes = std::move(*frame);
    return r;
}

SendResult BuildPresetSend(std::string_view text) {
    const std::string pieces = PiecesText(text, false);
    const std::size_t n = CountHexTokens(pieces);
    if (n > kPresetBuffer)
        return Refuse(SendRefusal::TooLong,
                      "预置数据超过" + std::to_string(kPresetBuffer) + "字节，未发送");
    SendResult r;
    r.bytes.resize(n);
    r.bytes.resize(HexTextToBytes(pieces, r.bytes.data(), n));
    return r;
}

std::optional<std::array<std::uint8_t, 2>> ParsePassiveAddress(std::string_view text) {
    if (text.size() != 5 || text[2] != ' ')
        return std::nullopt;
    std::array<std::uint8_t, 2> out{};
    for (std::size_t i = 0; i < 2; ++i) {
        const int hi = HexDigit(text[i * 3]);
        const int lo = HexDigit(text[i * 3 + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return out;
}

std::optional<std::array<std::uint8_t, 2>> PassiveLengthField(std::size_t n) {
    const std::size_t high = n / 255;
    if (high > 0xFF)
        return std::nullopt;
    return std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(high),
                                       static_cast<std::uint8_t>(n % 255)};
}

std::array<std::uint8_t, 5> MakePassiveReadFrame(std::array<std::uint8_t, 2> addr) {
    return {0x24, addr[0], addr[1], 0x52, 0x0D};
}

std::array<std::uint8_t, 7> MakePassiveCheckFrame(std::array<std::uint8_t, 2> addr) {
    return {0x24, addr[0], addr[1], 0x57, 0x00, 0x00, 0x0D};
}

std::optional<std::vector<std::uint8_t>> MakePassiveWriteFrame(std::array<std::uint8_t, 2> addr,
                                                               std::span<const std::uint8_t> data) {
    const auto length = PassiveLengthField(data.size());
    if (!length)
        return std::nullopt;
    std::vector<std::uint8_t> f;
    f.reserve(data.size() + kPassiveOverhead);
    f.insert(f.end(), {0x24, addr[0], addr[1], 0x57, (*length)[0], (*length)[1]});
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(0x0D);
    return f;
}

SendResult BuildReadDataSend(std::string_view passiveAddr) {
    const auto addr = ParsePassiveAddress(passiveAddr);
    if (!addr)
        return Refuse(SendRefusal::NoPassiveAddress, std::string(kNoAddressRead));
    const auto f = MakePassiveReadFrame(*addr);
    SendResult r;
    r.bytes.assign(f.begin(), f.end());
    return r;
}

SendResult BuildCheckMemorySend(std::string_view passiveAddr) {
    const auto addr = ParsePassiveAddress(passiveAddr);
    if (!addr)
        return Refuse(SendRefusal::NoPassiveAddress, std::string(kNoAddressCheck));
    const auto f = MakePassiveCheckFrame(*addr);
    SendResult r;
    r.bytes.assign(f.begin(), f.end());
    return r;
}

std::string DataWriteFailureText(WriteStatus status) {
    switch (status) {
    case WriteStatus::Queued:
        return {};
    case WriteStatus::Refused:
        // The port's queue is full: the line is slower than the sends.
        return "串口发送跟不上，本次数据未发送";
    case WriteStatus::PortLost:
        return "串口已断开，数据未发送";
    case WriteStatus::NoPort:
        return "串口未打开，数据未发送";
    }
    return "数据未发送";
}

} // namespace tmx7
