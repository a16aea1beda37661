#pragma once
// The values of the command-line options that tmx7ctl and tmx7config share.
// Each check gives the value, or `error`: one line that names the option,
// repeats what was given and says what would have been right, so that no
// refusal of a command line is silent.

#include <optional>
#include <string>
#include <string_view>

namespace tmx7 {

template <class T> struct OptionValue {
    std::optional<T> value;
    std::string reason; // what was wrong with the text, without the option's name
    std::string error;  // "--option: " and the reason; empty when `value` is set

    explicit operator bool() const { return value.has_value(); }
};

// One of the module's baud rates: 1200 2400 4800 9600 19200 38400 57600.
OptionValue<int> BaudOption(std::string_view option, std::string_view text);
// A line format as the port table takes it: "n,8,1" ... "E,8,2".
OptionValue<std::string> LineFormatOption(std::string_view option, std::string_view text);
// "active", "passive", "modbus" -> the module's serial mode 0, 1, 2.
OptionValue<int> SimModeOption(std::string_view option, std::string_view text);
// "normal", "saving" -> the module's power mode 0, 1.
OptionValue<int> SimPowerOption(std::string_view option, std::string_view text);
// "COM1" ... "COM1024" or a device path (starting with '/').
OptionValue<std::string> PortOption(std::string_view option, std::string_view text);

std::string MissingValueError(std::string_view option);  // "--port needs a value"
std::string UnknownOptionError(std::string_view option); // "unknown option: --x"

} // namespace tmx7
