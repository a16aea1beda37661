#include "settings/DialogModels.h"

#include <algorithm>

namespace tmx7 {

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";

bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Digits may come typed in lower case when pasted; the module takes either.
bool IsHexDigit(char c) {
    return IsUpperHexDigit(c) || (c >= 'a' && c <= 'f');
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

TextCheck CheckHexDigits(std::string_view text, std::size_t width, std::string_view prompt) {
    const std::string_view t = Trim(text);
    if (t.empty() || t.size() > width || !std::all_of(t.begin(), t.end(), IsHexDigit))
        return {std::nullopt, std::string(prompt)};
    std::string out(width - t.size(), '0');
    for (char c : t)
        out += (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
    return {std::move(out), {}};
}

} // namespace

SerialFormatChoice SerialFormatConfirm(SerialFormatResult half, int selectedRow) {
    std::size_t rows = 0;
    if (half == SerialFormatResult::DataFormat)
        rows = kSerialFormatEntries.size();
    else if (half == SerialFormatResult::BaudRate)
        rows = kRateEntries.size();
    if (selectedRow < 0 || selectedRow >= static_cast<int>(rows))
        return {};
    return {static_cast<int>(half), selectedRow};
}

void WirelessModel::SelectTxPower(int row) {
    if (row >= 0 && row < static_cast<int>(kTxPowerEntries.size()))
        txPowerIndex = row;
}

void WirelessModel::SelectAirRate(int row) {
    if (row >= 0 && row < static_cast<int>(kRateEntries.size()))
        airRateIndex = row;
}

bool ScrollModel::Apply(ScrollRequest request) {
    int next = position;
    if (request == ScrollRequest::LineUp)
        next = std::min(maximum, position + step);
    else if (request == ScrollRequest::LineDown)
        next = std::max(minimum, position - step);
    const bool moved = next != position;
    position = next;
    return moved;
}

std::string SleepPeriodModel::Text() const {
    return std::to_string(m_scroll.position);
}

std::optional<std::string> SleepPeriodModel::Ok() {
    // The bar reaches 510 but the module's period ends at 500. The choice is
    // set only once the value passed, so a refused value followed by Escape
    // sends nothing.
    if (m_scroll.position < 2 || m_scroll.position > 500)
        return std::string(kSleepPeriodPrompt);
    m_choice = 1;
    return std::nullopt;
}

std::string TenthsText(long long tenths) {
    const bool negative = tenths < 0;
    const unsigned long long t = negative ? 0ULL - static_cast<unsigned long long>(tenths)
                                          : static_cast<unsigned long long>(tenths);
    std::string s = (negative ? "-" : "") + std::to_string(t / 10);
    if (t % 10 != 0) {
        s += '.';
        s += static_cast<char>('0' + t % 10);
    }
    return s;
}

std::string WakeDelayModel::Text() const {
    return TenthsText(3LL * m_scroll.position);
}

std::string PassiveAddrModel::Text() const {
    const int p = m_scroll.position & 0xFF;
    return {kUpperHex[p >> 4], kUpperHex[p & 0x0F]};
}

bool HexKeyAccepted(char32_t key) {
    return key == kBackspace || key == U'.' || (key >= U'0' && key <= U'9') ||
           (key >= U'A' && key <= U'F');
}

bool DigitKeyAccepted(char32_t key) {
    return key == kBackspace || (key >= U'0' && key <= U'9');
}

bool FilteredEdit::Key(char32_t key) {
    if (accepts != nullptr && !accepts(key))
        return false;
    if (key == kBackspace) {
        if (text.empty())
            return false;
        text.pop_back();
        return true;
    }
    // Every key a filter here lets through is ASCII.
    if (key > 0x7F || text.size() >= maxLength)
        return false;
    text += static_cast<char>(key);
    return true;
}

TextCheck CheckSaveAddr(std::string_view text) {
    return CheckHexDigits(text, 4, kSaveAddrPrompt);
}

TextCheck CheckGroup(std::string_view text) {
    return CheckHexDigits(text, 2, kGroupPrompt);
}

std::optional<std::uint32_t> ParseAccessCode(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.size() > 7)
        return std::nullopt;
    std::uint32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + static_cast<std::uint32_t>(c - '0'); // seven digits cannot overflow
    }
    return v;
}

PasswordVerdict CheckPassword(std::string_view text) {
    PasswordVerdict v;
    const auto code = ParseAccessCode(text);
    if (code && *code == kAccessCode) {
        v.accepted = true;
        return v;
    }
    if (!code)
        v.messages.push_back(kPasswordRangePrompt);
    v.messages.push_back(kWrongPasswordText);
    return v;
}

} // namespace tmx7
