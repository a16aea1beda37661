#pragma once
// Candidates for the word under the cursor on a tmx7ctl command line, for
// the bash completion: it runs `tmx7ctl --complete WORD...` with the words
// after the program's name, the last one being the word to complete (empty
// at the start of a new word), and offers one candidate per printed line.
// Commands and options are read from the parser itself (Cli.cpp describes
// it in a Grammar), so a new command or option completes without touching
// the shell script.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7::cli {

// Printed instead of a candidate when file names fit the word.
inline constexpr const char* kCompleteFiles = ":file";

struct GrammarOption {
    std::vector<std::string> names; // "--port"; a positional's name ("FILE")
    std::string typeName;           // "FILE", "CSV", "PORT", ...
    bool takesValue = false;        // false: a flag
    bool positional = false;
    bool list = false; // a positional that takes every word left
};

struct GrammarCommand {
    std::string name;
    std::vector<GrammarOption> options; // those the help shows, in its order
};

struct Grammar {
    std::vector<GrammarOption> options; // before the command: --help, --version
    std::vector<GrammarCommand> commands;
};

struct CompletionSources {
    // "COM101" and the other names a --port takes for each port there is:
    // device path, /dev/serial links, "serial=<USB serial>".
    std::function<std::vector<std::string>()> portNames;
    // "0403:6001" for each USB adapter there is.
    std::function<std::vector<std::string>()> usbIds;
};

std::vector<std::string> Complete(const Grammar& grammar, const std::vector<std::string>& words,
                                  const CompletionSources& sources);

// The keys of the fields `set` takes, in the order `read` prints them.
std::vector<std::string_view> SettableKeys();

} // namespace tmx7::cli
