#include "cli/Complete.h"

#include "cli/Ports.h"
#include "protocol/SerialSetup.h"
#include "settings/FieldValues.h"
#include "settings/OptionValues.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <set>

namespace tmx7::cli {

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

const CLI::App* Subcommand(const CLI::App& app, const std::string& name) {
    for (const CLI::App* sc : app.get_subcommands({}))
        if (sc->get_name() == name)
            return sc;
    return nullptr;
}

// Options the help shows; the hidden ones (empty group) are not offered.
std::vector<const CLI::Option*> Shown(const CLI::App& app, bool positional) {
    return app.get_options([positional](const CLI::Option* o) {
        return !o->get_group().empty() && o->get_positional() == positional;
    });
}

const CLI::Option* NamedOption(const CLI::App& app, const std::string& word) {
    for (const CLI::Option* o : app.get_options())
        if (!o->get_positional() && o->check_name(word))
            return o;
    return nullptr;
}

bool TakesValue(const CLI::Option* o) {
    return o->get_expected_max() > 0 && o->get_type_size_max() > 0;
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

std::vector<std::string> ValuesOf(const CLI::Option* o, const std::string& typed,
                                  const CompletionSources& sources) {
    const std::string type = o->get_type_name();
    if (type == "FILE" || type == "CSV")
        return {kCompleteFiles};
    if (o->check_name("--port")) {
        std::vector<std::string> names =
            sources.portNames ? sources.portNames() : std::vector<std::string>{};
        // A fresh word gets the COM names only; paths and links once typed.
        if (typed.empty())
            std::erase_if(names, [](const std::string& n) { return !StartsWith(n, "COM"); });
        return names;
    }
    if (o->check_name("--match"))
        return sources.usbIds ? sources.usbIds() : std::vector<std::string>{};
    if (o->check_name("--baud") || o->check_name("--sim-baud")) {
        std::vector<std::string> bauds;
        for (int b : kDetectBauds)
            bauds.push_back(std::to_string(b));
        return Accepted(&BaudOption, bauds);
    }
    if (o->check_name("--format") || o->check_name("--sim-format"))
        return Accepted(&LineFormatOption, {"n,8,1", "e,8,1", "o,8,1", "n,8,2", "e,8,2", "o,8,2"});
    if (o->check_name("--sim-mode"))
        return Accepted(&SimModeOption, {"active", "passive", "modbus"});
    if (o->check_name("--sim-power"))
        return Accepted(&SimPowerOption, {"normal", "saving"});
    if (o->check_name("--sequence"))
        return FieldKeys(true);
    return {};
}

std::vector<std::string> PositionalValues(const CLI::Option* o,
                                          const std::vector<std::string>& given) {
    const std::string name = o->get_name();
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

std::vector<std::string> OptionNames(const CLI::App& app) {
    std::vector<std::string> out;
    for (const CLI::Option* o : Shown(app, false))
        for (const std::string& l : o->get_lnames())
            out.push_back("--" + l);
    return out;
}

} // namespace

std::vector<std::string> Complete(const CLI::App& app, const std::vector<std::string>& words,
                                  const CompletionSources& sources) {
    const std::string cur = words.empty() ? std::string() : words.back();
    const CLI::App* command = nullptr;
    const CLI::Option* pending = nullptr; // an option whose value is the word under the cursor
    std::vector<std::string> positionals;
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        const std::string& w = words[i];
        if (pending) {
            pending = nullptr;
            continue;
        }
        if (!command) {
            if (!StartsWith(w, "-"))
                command = Subcommand(app, w);
            continue;
        }
        if (StartsWith(w, "-")) {
            const CLI::Option* o =
                w.find('=') == std::string::npos ? NamedOption(*command, w) : nullptr;
            if (o && TakesValue(o))
                pending = o;
        } else {
            positionals.push_back(w);
        }
    }

    std::vector<std::string> candidates;
    std::string prefix; // put back before each value of a "--option=value" word
    if (!command) {
        if (StartsWith(cur, "-"))
            candidates = OptionNames(app);
        else
            for (const CLI::App* sc : app.get_subcommands({}))
                candidates.push_back(sc->get_name());
    } else if (pending) {
        candidates = ValuesOf(pending, cur, sources);
    } else if (StartsWith(cur, "--") && cur.find('=') != std::string::npos) {
        prefix = cur.substr(0, cur.find('=') + 1);
        if (const CLI::Option* o = NamedOption(*command, prefix.substr(0, prefix.size() - 1));
            o && TakesValue(o))
            candidates = ValuesOf(o, cur.substr(prefix.size()), sources);
    } else if (StartsWith(cur, "-")) {
        candidates = OptionNames(*command);
    } else {
        // The last positional takes every word left when it is a list.
        const auto list = Shown(*command, true);
        if (!list.empty()) {
            const std::size_t i = std::min(positionals.size(), list.size() - 1);
            if (i == positionals.size() || list[i]->get_items_expected_max() > 1)
                candidates = PositionalValues(list[i], positionals);
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

CompletionSources SystemCompletionSources() {
    struct Rows {
        std::vector<PortRow> rows;
        bool listed = false;
        const std::vector<PortRow>& Get() {
            if (!listed) {
                SerialDeviceCatalog catalog;
                rows = ListPorts(PortDirectory::System(), catalog);
                listed = true;
            }
            return rows;
        }
    };
    auto rows = std::make_shared<Rows>();
    CompletionSources s;
    s.portNames = [rows] {
        std::vector<std::string> names;
        for (const PortRow& r : rows->Get())
            names.push_back(r.name);
        for (const PortRow& r : rows->Get()) {
            names.push_back(r.path);
            names.insert(names.end(), r.info.byId.begin(), r.info.byId.end());
            names.insert(names.end(), r.info.byPath.begin(), r.info.byPath.end());
            if (!r.info.serial.empty())
                names.push_back("serial=" + r.info.serial);
        }
        return names;
    };
    s.usbIds = [rows] {
        std::vector<std::string> ids;
        for (const PortRow& r : rows->Get())
            if (!r.info.vendorId.empty())
                ids.push_back(r.info.vendorId + ":" + r.info.productId);
        return ids;
    };
    return s;
}

} // namespace tmx7::cli
