#include "cli/Complete.h"

#include "protocol/SerialSetup.h"
#include "settings/FieldValues.h"
#include "settings/OptionValues.h"

#include <algorithm>
#include <set>

namespace tmx7::cli {

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

const GrammarCommand* Command(const Grammar& grammar, const std::string& name) {
    for (const GrammarCommand& c : grammar.commands)
        if (c.name == name)
            return &c;
    return nullptr;
}

const GrammarOption* NamedOption(const GrammarCommand& command, const std::string& word) {
    for (const GrammarOption& o : command.options)
        if (!o.positional && std::find(o.names.begin(), o.names.end(), word) != o.names.end())
            return &o;
    return nullptr;
}

bool Is(const GrammarOption& o, const char* name) {
    return std::find(o.names.begin(), o.names.end(), name) != o.names.end();
}

// The fields a `set` or a per-unit sequence names, each with its "=".
std::vector<std::string> FieldKeys(bool numberedOnly) {
    std::vector<std::string> out;
    for (const std::string_view key : SettableKeys())
        if (!numberedOnly || NumberingOf(*FieldForKey(key)))
            out.push_back(std::string(key) + "=");
    return out;
}

// Only what the option's own check takes, so a value offered is never refused.
template <class T>
std::vector<std::string> Accepted(OptionValue<T> (*check)(std::string_view, std::string_view),
                                  const std::vector<std::string>& candidates) {
    std::vector<std::string> out;
    for (const std::string& c : candidates)
        if (check("", c))
            out.push_back(c);
    return out;
}

std::vector<std::string> ValuesOf(const GrammarOption& o, const std::string& typed,
                                  const CompletionSources& sources) {
    const std::string& type = o.typeName;
    if (type == "FILE" || type == "CSV")
        return {kCompleteFiles};
    if (Is(o, "--port")) {
        std::vector<std::string> names =
            sources.portNames ? sources.portNames() : std::vector<std::string>{};
        // A fresh word gets the COM names only; paths and links once typed.
        if (typed.empty())
            std::erase_if(names, [](const std::string& n) { return !StartsWith(n, "COM"); });
        return names;
    }
    if (Is(o, "--match"))
        return sources.usbIds ? sources.usbIds() : std::vector<std::string>{};
    if (Is(o, "--baud") || Is(o, "--sim-baud")) {
        std::vector<std::string> bauds;
        for (int b : kDetectBauds)
            bauds.push_back(std::to_string(b));
        return Accepted(&BaudOption, bauds);
    }
    if (Is(o, "--format") || Is(o, "--sim-format"))
        return Accepted(&LineFormatOption, {"n,8,1", "e,8,1", "o,8,1", "n,8,2", "e,8,2", "o,8,2"});
    if (Is(o, "--sim-mode"))
        return Accepted(&SimModeOption, {"active", "passive", "modbus"});
    if (Is(o, "--sim-power"))
        return Accepted(&SimPowerOption, {"normal", "saving"});
    if (Is(o, "--sequence"))
        return FieldKeys(true);
    return {};
}

std::vector<std::string> PositionalValues(const GrammarOption& o,
                                          const std::vector<std::string>& given) {
    const std::string name = o.names.empty() ? std::string() : o.names.front();
    if (name == "FILE")
        return {kCompleteFiles};
    if (name == "FIELD=VALUE") {
        // A field already given is not offered again.
        std::vector<std::string> keys = FieldKeys(false);
        std::erase_if(keys, [&given](const std::string& key) {
            return std::any_of(given.begin(), given.end(),
                               [&key](const std::string& g) { return StartsWith(g, key); });
        });
        return keys;
    }
    return {};
}

std::vector<std::string> OptionNames(const std::vector<GrammarOption>& options) {
    std::vector<std::string> out;
    for (const GrammarOption& o : options)
        if (!o.positional)
            for (const std::string& n : o.names)
                if (n.rfind("--", 0) == 0)
                    out.push_back(n);
    return out;
}

} // namespace

std::vector<std::string> Complete(const Grammar& grammar, const std::vector<std::string>& words,
                                  const CompletionSources& sources) {
    const std::string cur = words.empty() ? std::string() : words.back();
    const GrammarCommand* command = nullptr;
    const GrammarOption* pending = nullptr; // an option whose value is the word under the cursor
    std::vector<std::string> positionals;
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        const std::string& w = words[i];
        if (pending) {
            pending = nullptr;
            continue;
        }
        if (!command) {
            if (!StartsWith(w, "-"))
                command = Command(grammar, w);
            continue;
        }
        if (StartsWith(w, "-")) {
            const GrammarOption* o =
                w.find('=') == std::string::npos ? NamedOption(*command, w) : nullptr;
            if (o && o->takesValue)
                pending = o;
        } else {
            positionals.push_back(w);
        }
    }

    std::vector<std::string> candidates;
    std::string prefix; // put back before each value of a "--option=value" word
    if (!command) {
        if (StartsWith(cur, "-"))
            candidates = OptionNames(grammar.options);
        else
            for (const GrammarCommand& c : grammar.commands)
                candidates.push_back(c.name);
    } else if (pending) {
        candidates = ValuesOf(*pending, cur, sources);
    } else if (StartsWith(cur, "--") && cur.find('=') != std::string::npos) {
        prefix = cur.substr(0, cur.find('=') + 1);
        if (const GrammarOption* o = NamedOption(*command, prefix.substr(0, prefix.size() - 1));
            o && o->takesValue)
            candidates = ValuesOf(*o, cur.substr(prefix.size()), sources);
    } else if (StartsWith(cur, "-")) {
        candidates = OptionNames(command->options);
    } else {
        // The last positional takes every word left when it is a list.
        std::vector<const GrammarOption*> list;
        for (const GrammarOption& o : command->options)
            if (o.positional)
                list.push_back(&o);
        if (!list.empty()) {
            const std::size_t i = std::min(positionals.size(), list.size() - 1);
            if (i == positionals.size() || list[i]->list)
                candidates = PositionalValues(*list[i], positionals);
        }
    }

    std::vector<std::string> out;
    std::set<std::string> seen;
    for (const std::string& c : candidates) {
        const std::string full = c == kCompleteFiles ? c : prefix + c;
        if ((c == kCompleteFiles || StartsWith(full, cur)) && seen.insert(full).second)
            out.push_back(full);
    }
    return out;
}

std::vector<std::string_view> SettableKeys() {
    std::vector<std::string_view> out;
    for (const auto& row : kFields)
        if (DownloadCarries(row.field) || row.field == Field::SerialFormat)
            out.push_back(row.key);
    return out;
}

} // namespace tmx7::cli
