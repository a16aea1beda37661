#include "cli/UnitValues.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tmx7::cli {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// One record of RFC 4180 text from `pos`; quoted cells may hold separators,
// doubled quotes and line breaks. False at the end of the text.
bool NextRecord(std::string_view text, std::size_t& pos, char sep, std::vector<std::string>& cells,
                int& line) {
    cells.clear();
    if (pos >= text.size())
        return false;
    std::string cell;
    bool quoted = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (quoted) {
            if (c == '"' && pos + 1 < text.size() && text[pos + 1] == '"') {
                cell += '"';
                ++pos;
            } else if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n')
                    ++line;
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == sep) {
            cells.push_back(std::move(cell));
            cell.clear();
        } else if (c == '\n') {
            ++pos;
            break;
        } else {
            cell += c;
        }
    }
    cells.push_back(std::move(cell));
    return true;
}

bool Blank(const std::vector<std::string>& cells) {
    return std::all_of(cells.begin(), cells.end(),
                       [](const std::string& c) { return Trim(c).empty(); });
}

std::optional<long long> Number(std::string_view text, int base) {
    long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

} // namespace

std::optional<UnitTable> ParseUnitTable(std::string_view text, std::string_view name,
                                        std::string& error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const std::string_view head = text.substr(0, text.find('\n'));
    const char sep =
        head.find(',') == std::string_view::npos && head.find(';') != std::string_view::npos ? ';'
                                                                                             : ',';
    const std::string where(name);

    std::size_t pos = 0;
    int line = 1;
    std::vector<std::string> cells;
    if (!NextRecord(text, pos, sep, cells, line) || Blank(cells)) {
        error = where + ": no header line (port or serial, then field names)";
        return std::nullopt;
    }
    // Column 0 names the unit; the others are fields or the calibration.
    std::vector<std::optional<Field>> columns;
    for (std::size_t i = 1; i < cells.size(); ++i) {
        const std::string_view key = Trim(cells[i]);
        if (key == "calibration") {
            columns.push_back(std::nullopt);
            continue;
        }
        const auto field = FieldForKey(key);
        if (!field || !DownloadCarries(*field)) {
            error = where + " line 1: column \"" + std::string(key) +
                    "\" is neither a field a download writes nor calibration";
            return std::nullopt;
        }
        columns.push_back(field);
    }

    UnitTable table;
    for (;;) {
        const int startLine = ++line;
        if (!NextRecord(text, pos, sep, cells, line))
            break;
        if (Blank(cells))
            continue;
        const std::string at = where + " line " + std::to_string(startLine) + ": ";
        if (cells.size() > columns.size() + 1) {
            error = at + "more cells than the header has columns";
            return std::nullopt;
        }
        UnitRow row;
        row.line = startLine;
        row.unit = std::string(Trim(cells[0]));
        if (row.unit.empty()) {
            error = at + "no port or serial number in the first cell";
            return std::nullopt;
        }
        for (std::size_t i = 1; i < cells.size(); ++i) {
            const std::string_view cell = Trim(cells[i]);
            if (cell.empty())
                continue;
            if (!columns[i - 1]) {
                if (!ParseCalibration(cell)) {
                    error = at + "calibration=" + std::string(cell) +
                            ": not two hex bytes such as \"12 34\"";
                    return std::nullopt;
                }
                row.calibration = std::string(cell);
                continue;
            }
            FieldValueResult v = ParseFieldValue(*columns[i - 1], cell);
            if (!v.ok()) {
                error = at + v.error;
                return std::nullopt;
            }
            row.values.push_back(std::move(*v.value));
        }
        const auto same = std::find_if(table.rows.begin(), table.rows.end(),
                                       [&](const UnitRow& r) { return r.unit == row.unit; });
        if (same != table.rows.end()) {
            error = at + row.unit + " has a row already (line " + std::to_string(same->line) + ")";
            return std::nullopt;
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::optional<Sequence> ParseSequence(std::string_view text, std::string& error) {
    const std::string given = "--sequence " + std::string(text) + ": ";
    const std::size_t eq = text.find('=');
    const auto field = FieldForKey(Trim(text.substr(0, eq)));
    const auto numbering = field ? NumberingOf(*field) : std::nullopt;
    if (eq == std::string_view::npos || !numbering) {
        error =
            given +
            "not FIELD=START[:STEP] with FIELD one of passiveAddr, saveAddr, group, sleepPeriod";
        return std::nullopt;
    }
    const std::string_view rest = Trim(text.substr(eq + 1));
    const std::size_t colon = rest.find(':');
    const auto start = Number(Trim(rest.substr(0, colon)), numbering->base);
    const auto step = colon == std::string_view::npos
                          ? std::optional<long long>(1)
                          : Number(Trim(rest.substr(colon + 1)), numbering->base);
    if (!start || !step) {
        error = given + (numbering->base == 16 ? "START and STEP are hexadecimal numbers"
                                               : "START and STEP are decimal numbers");
        return std::nullopt;
    }
    Sequence s{*field, *start, *step};
    if (const auto first = SequenceValue(s, 0); !first.ok()) {
        error = given + first.error;
        return std::nullopt;
    }
    return s;
}

FieldValueResult SequenceValue(const Sequence& s, std::size_t index) {
    const auto numbering = NumberingOf(s.field);
    const long long v = s.start + static_cast<long long>(index) * s.step;
    if (!numbering || v < numbering->minimum || v > numbering->maximum)
        return {std::nullopt,
                std::string(KeyOf(s.field)) + ": unit " + std::to_string(index + 1) +
                    " would get " + (v >= 0 ? NumberText(s.field, v) : std::to_string(v)) +
                    ", outside " + NumberText(s.field, numbering ? numbering->minimum : 0) + ".." +
                    NumberText(s.field, numbering ? numbering->maximum : 0)};
    return ParseFieldValue(s.field, NumberText(s.field, v));
}

std::optional<std::pair<std::string, std::string>> ParseCalibration(std::string_view text) {
    std::string t;
    for (char c : Trim(text))
        if (c != ' ' && c != ',' && c != ':')
            t += c;
    if (t.size() != 4 || !std::all_of(t.begin(), t.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c));
        }))
        return std::nullopt;
    return std::pair{t.substr(0, 2), t.substr(2)};
}

} // namespace tmx7::cli
