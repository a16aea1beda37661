#include "settings/OptionValues.h"

#include "link/PortTable.h"
#include "protocol/SerialSetup.h"

#include <algorithm>

namespace tmx7 {
namespace {

template <class T>
OptionValue<T> Refuse(std::string_view option, std::string_view text, std::string_view expected) {
    OptionValue<T> r;
    r.reason = "\"" + std::string(text) + "\" is not " + std::string(expected);
    r.error = std::string(option) + ": " + r.reason;
    return r;
}

template <class T> OptionValue<T> Accept(T value) {
    OptionValue<T> r;
    r.value = std::move(value);
    return r;
}

} // namespace

OptionValue<int> BaudOption(std::string_view option, std::string_view text) {
    // Digits only: "9600x", "+9600" and " 9600" are typing errors, not 9600.
    const bool digits =
        !text.empty() && text.size() <= 6 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits) {
        if (const auto baud = BaudFromText(std::string(text) + "bps"))
            return Accept(*baud);
    }
    return Refuse<int>(option, text,
                       "a baud rate of the module (1200, 2400, 4800, 9600, 19200, 38400 or 57600)");
}

OptionValue<std::string> LineFormatOption(std::string_view option, std::string_view text) {
    LineFormat parsed;
    if (ParseLineFormat(std::string(text), parsed))
        return Accept(std::string(text));
    return Refuse<std::string>(
        option, text, "a line format (n,8,1 n,8,2 o,8,1 o,8,2 e,8,1 or e,8,2; N, O, E too)");
}

OptionValue<int> SimModeOption(std::string_view option, std::string_view text) {
    if (text == "active")
        return Accept(0);
    if (text == "passive")
        return Accept(1);
    if (text == "modbus")
        return Accept(2);
    return Refuse<int>(option, text, "active, passive or modbus");
}

OptionValue<int> SimPowerOption(std::string_view option, std::string_view text) {
    if (text == "normal")
        return Accept(0);
    if (text == "saving")
        return Accept(1);
    return Refuse<int>(option, text, "normal or saving");
}

OptionValue<std::string> PortOption(std::string_view option, std::string_view text) {
    if (PortNumberFromName(std::string(text)) || (!text.empty() && text.front() == '/'))
        return Accept(std::string(text));
    return Refuse<std::string>(option, text, "COM1..COM1024 or a device path (/dev/...)");
}

std::string MissingValueError(std::string_view option) {
    return std::string(option) + " needs a value";
}

std::string UnknownOptionError(std::string_view option) {
    return "unknown option: " + std::string(option);
}

} // namespace tmx7
