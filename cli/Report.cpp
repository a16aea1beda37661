#include "cli/Report.h"

#include "platform/Encoding.h"

#include <algorithm>
#include <cstdio>

namespace tmx7::cli {

namespace {

const char* VerdictName(Verdict v) {
    switch (v) {
    case Verdict::Ok:
        return "ok";
    case Verdict::Differs:
        return "differs";
    case Verdict::Failed:
        break;
    }
    return "failed";
}

std::string Seconds(std::chrono::milliseconds d) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1fs", static_cast<double>(d.count()) / 1000.0);
    return text;
}

// Display width of UTF-8 text: CJK characters take two columns.
std::size_t Width(const std::string& s) {
    std::size_t w = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        w += len >= 3 ? 2 : 1;
        i += len;
    }
    return w;
}

std::string Pad(const std::string& s, std::size_t width) {
    return s + std::string(width > Width(s) ? width - Width(s) : 0, ' ');
}

nlohmann::ordered_json Values(const std::optional<std::array<std::string, kFieldCount>>& values) {
    if (!values)
        return nullptr;
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    for (const auto& row : kFields)
        out[std::string(row.key)] = (*values)[static_cast<std::size_t>(row.field)];
    return out;
}

nlohmann::ordered_json VerificationJson(const UnitResult& r) {
    if (!r.verification)
        return nullptr;
    nlohmann::ordered_json differences = nlohmann::ordered_json::array();
    for (const Difference& d : r.verification->differences)
        differences.push_back({{"field", KeyOf(d.field)}, {"wanted", d.wanted}, {"has", d.has}});
    nlohmann::ordered_json unchecked = nlohmann::ordered_json::array();
    for (Field f : r.verification->unchecked)
        unchecked.push_back(KeyOf(f));
    return {{"ok", r.verification->ok()},
            {"verified", r.verification->confirmed.size()},
            {"differences", differences},
            {"unchecked", unchecked}};
}

std::string Csv(const std::string& cell) {
    if (cell.find_first_of(",\"\r\n") == std::string::npos)
        return cell;
    std::string out = "\"";
    for (char c : cell)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// A record line never holds a line break of its own.
std::string OneLine(std::string s) {
    std::replace(s.begin(), s.end(), '\n', ' ');
    std::replace(s.begin(), s.end(), '\r', ' ');
    return s;
}

} // namespace

std::string Dump(const nlohmann::ordered_json& value, int indent) {
    return value.dump(indent, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string AssignedText(const std::vector<FieldValue>& values) {
    std::string out;
    for (const FieldValue& v : values)
        out.append(out.empty() ? "" : " ").append(KeyOf(v.field)).append("=").append(v.text);
    return out;
}

std::string SummaryTable(const std::vector<UnitResult>& results) {
    std::vector<std::array<std::string, 6>> rows;
    rows.push_back({"PORT", "DEVICE", "RESULT", "TIME", "VALUES", "DETAIL"});
    bool anyValues = false;
    for (const UnitResult& r : results) {
        const std::string name = r.target.name.empty() ? r.target.given : r.target.name;
        rows.push_back({name, r.target.path.empty() ? "-" : r.target.path, VerdictName(r.verdict),
                        Seconds(r.duration), AssignedText(r.assigned),
                        r.verdict == Verdict::Ok ? r.detail : r.error});
        anyValues = anyValues || !r.assigned.empty();
    }
    std::array<std::size_t, 6> width{};
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            width[i] = std::max(width[i], Width(row[i]));
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i == 4 && !anyValues)
                continue;
            line += i + 1 == row.size() ? row[i] : Pad(row[i], width[i] + 2);
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out += line + "\n";
    }
    int ok = 0;
    for (const UnitResult& r : results)
        ok += r.verdict == Verdict::Ok;
    out += std::to_string(ok) + " of " + std::to_string(results.size()) + " units ok\n";
    return out;
}

std::string RecordJsonLine(const UnitResult& r) {
    nlohmann::ordered_json values = nlohmann::ordered_json::object();
    for (const FieldValue& v : r.assigned)
        values[std::string(KeyOf(v.field))] = v.text;
    const nlohmann::ordered_json line = {
        {"time", r.startedAt},
        {"command", r.command},
        {"port", r.target.name},
        {"device", r.target.path},
        {"adapterSerial", r.target.info.serial},
        {"moduleVersion", r.version},
        {"result", VerdictName(r.verdict)},
        {"exitCode", ExitCodeOf(r.verdict)},
        {"values", values},
        {"before", Values(r.before)},
        {"after", Values(r.after)},
        {"verification", VerificationJson(r)},
        {"durationMs", r.duration.count()},
        {"error", r.error},
    };
    return Dump(line) + "\n";
}

std::string RecordCsvHeader() {
    std::string out = "time,command,port,device,adapterSerial,moduleVersion,result,exitCode,values,"
                      "verification,durationMs,error";
    for (const char* when : {"before", "after"})
        for (const auto& row : kFields)
            out.append(",").append(when).append(".").append(row.key);
    return out + "\n";
}

std::string RecordCsvLine(const UnitResult& r) {
    std::string verification;
    if (r.verification) {
        verification = r.verification->ok() ? "ok" : "";
        for (const Difference& d : r.verification->differences)
            verification.append(verification.empty() ? "" : "; ").append(DifferenceText(d));
    }
    std::vector<std::string> cells = {r.startedAt,
                                      r.command,
                                      r.target.name,
                                      r.target.path,
                                      r.target.info.serial,
                                      r.version,
                                      VerdictName(r.verdict),
                                      std::to_string(ExitCodeOf(r.verdict)),
                                      AssignedText(r.assigned),
                                      verification,
                                      std::to_string(r.duration.count()),
                                      r.error};
    for (const auto* values : {&r.before, &r.after})
        for (const auto& row : kFields)
            cells.push_back(*values ? (**values)[static_cast<std::size_t>(row.field)] : "");
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i)
        out.append(i ? "," : "").append(Csv(OneLine(cells[i])));
    // A device path may hold bytes that are no UTF-8; the record stays UTF-8.
    return SanitizeUtf8(out).text + "\n";
}

} // namespace tmx7::cli
