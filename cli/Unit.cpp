#include "cli/Unit.h"

#include "cli/UnitValues.h"
#include "settings/Download.h"
#include "settings/Production.h"
#include "settings/Session.h"
#include "ui/DataSend.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>

namespace tmx7::cli {

using namespace std::chrono_literals;
using SteadyTime = std::chrono::steady_clock::time_point;

int ExitCodeOf(Verdict verdict) {
    switch (verdict) {
    case Verdict::Ok:
        return kExitOk;
    case Verdict::Differs:
        return kExitDiffers;
    case Verdict::Failed:
        break;
    }
    return kExitFailed;
}

std::string ClockText(std::chrono::system_clock::time_point t) {
    const std::time_t secs = std::chrono::system_clock::to_time_t(t);
    std::tm local{};
    localtime_r(&secs, &local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03lld", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<long long>(ms));
    return text;
}

namespace {

// "2025-03-14T09:26:53.589+01:00"
std::string IsoTime(std::chrono::system_clock::time_point t) {
    const std::time_t secs = std::chrono::system_clock::to_time_t(t);
    std::tm local{};
    localtime_r(&secs, &local);
    char date[32];
    char zone[8];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    std::strftime(zone, sizeof zone, "%z", &local);
    const std::string z(zone);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 1000;
    char out[64];
    std::snprintf(out, sizeof out, "%s.%03lld%s:%s", date, static_cast<long long>(ms),
                  z.substr(0, 3).c_str(), z.substr(3).c_str());
    return out;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text = BytesToHexText(bytes);
    if (!text.empty())
        text.pop_back(); // the blank after the last pair
    return text;
}

// "[12:34:56.789] 收← 01 02 0A": one packet, the time it was taken, its direction.
std::string Traffic(std::string_view direction, std::span<const std::uint8_t> bytes) {
    std::string line = "[";
    line.append(ClockText(std::chrono::system_clock::now())).append("] ").append(direction);
    return line.append(" ").append(Hex(bytes));
}

std::string Keys(const std::vector<Field>& fields) {
    std::string out;
    for (Field f : fields)
        out.append(out.empty() ? "" : ", ").append(KeyOf(f));
    return out;
}

nlohmann::ordered_json ValuesJson(const std::array<std::string, kFieldCount>& values) {
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    for (const auto& row : kFields)
        out[std::string(row.key)] = values[static_cast<std::size_t>(row.field)];
    return out;
}

class Unit {
public:
    Unit(const RunContext& ctx, const UnitPlan& plan, UnitResult& result)
        : m_ctx(ctx), m_o(ctx.invocation), m_plan(plan), m_r(result),
          m_sink(ctx.console, plan.target.name), m_session(m_sink, ctx.clock, ctx.directory),
          m_port(plan.target.number) {}

    ~Unit() { m_session.SetPacketObserver({}); }

    void Run() {
        if (!Connect())
            return;
        const std::string& c = m_o.command;
        if (c == "detect")
            Detected();
        else if (c == "read")
            ReadCommand();
        else if (c == "export")
            ExportCommand();
        else if (c == "set")
            SetCommand();
        else if (c == "download")
            DownloadCommand();
        else if (c == "verify")
            VerifyCommand();
        else if (c == "send")
            SendCommand();
        else if (c == "monitor")
            MonitorCommand();
        else
            ProductionCommand();
    }

private:
    bool Fail(std::string why) {
        m_r.verdict = Verdict::Failed;
        m_r.error = std::move(why);
        return false;
    }

    void Line(const std::string& text) {
        m_r.stdoutText += (m_ctx.prefixResults ? m_plan.target.name + ": " : "") + text + "\n";
    }

    Outcome Wait() {
        return m_session.WaitIdle().value_or(Outcome{OutcomeKind::Failed, {}, "no sequence ran"});
    }

    std::string Why(const Outcome& outcome) const {
        switch (outcome.kind) {
        case OutcomeKind::AnswersMissing:
            return "the module did not answer for " + Keys(outcome.missing);
        case OutcomeKind::PortLost: {
            const std::string reason = m_sink.LostReason();
            return reason.empty() ? "the port was lost" : reason;
        }
        case OutcomeKind::WriteRefused:
            return "a frame could not be sent (the line did not take it)";
        case OutcomeKind::Stopped:
            return "stopped before the end";
        case OutcomeKind::Failed:
            return outcome.detail.empty() ? "failed" : outcome.detail;
        case OutcomeKind::Completed:
            break;
        }
        return {};
    }

    // Opens the port as given, probes it at the given baud rate, or detects
    // the module's line settings.
    bool Connect() {
        if (m_o.baud && !m_o.format.empty()) {
            const int opened = m_session.Ports().Open(m_port, *m_o.baud, m_o.format);
            if (opened == 0)
                return Fail("the line settings " + std::to_string(*m_o.baud) + " " + m_o.format +
                            " could not be applied to " + m_plan.target.path);
            if (opened != 1)
                return Fail(m_sink.LastNotice() + " cannot open " + m_plan.target.path);
            m_session.SetLink({m_port, *m_o.baud, m_o.format});
            return true;
        }
        if (m_o.baud) {
            m_sink.Say("probing at " + std::to_string(*m_o.baud) + " baud");
            m_session.Probe(m_port, *m_o.baud);
        } else {
            m_sink.Say("detecting the module's baud rate");
            m_session.Detect(m_port);
        }
        if (const Outcome out = Wait(); !out.ok()) {
            const std::string notice = m_sink.LastNotice();
            if (notice.find("打开失败") != std::string::npos)
                return Fail(notice + " cannot open " + m_plan.target.path);
            return Fail((m_o.baud ? "no module answered at " + std::to_string(*m_o.baud) + " baud"
                                  : std::string("no module answered at any baud rate")) +
                        (notice.empty() ? "" : " (" + notice + ")"));
        }
        return true;
    }

    // A refresh and the wait for its answers, shown as one bar from..to.
    bool Read(int from, int to, const char* what = "reading") {
        m_sink.Expect({{what, from, to}});
        m_session.Read();
        const Outcome out = Wait();
        Keep(m_r.after);
        if (!out.ok())
            return Fail(Why(out));
        return true;
    }

    void Keep(std::optional<std::array<std::string, kFieldCount>>& into) {
        into = m_session.Shown().Values();
        const std::string version = (*into)[static_cast<std::size_t>(Field::Version)];
        if (version != kUnknownValue)
            m_r.version = version;
    }

    void Detected() {
        const LinkChoice link = m_session.Link();
        // The line names its port already.
        m_r.stdoutText += "COM" + std::to_string(link.port) + " " + std::to_string(link.baud) +
                          " " + link.lineFormat + "\n";
        m_r.json = {{"port", m_plan.target.name},
                    {"device", m_plan.target.path},
                    {"baud", link.baud},
                    {"lineFormat", link.lineFormat}};
    }

    void ReadCommand() {
        if (!Read(0, 100))
            return;
        const LinkChoice link = m_session.Link();
        m_r.json = {{"port", m_plan.target.name},
                    {"device", m_plan.target.path},
                    {"baud", link.baud},
                    {"lineFormat", link.lineFormat}};
        m_r.json.update(ValuesJson(*m_r.after));
        char head[96];
        std::snprintf(head, sizeof head, "%-13s COM%d %d %s", "port", link.port, link.baud,
                      link.lineFormat.c_str());
        Line(head);
        for (const auto& row : kFields) {
            char key[16];
            std::snprintf(key, sizeof key, "%-13s", row.key.data());
            Line(std::string(key) + " " + (*m_r.after)[static_cast<std::size_t>(row.field)]);
        }
    }

    void ExportCommand() {
        m_sink.Expect({{"reading", 0, 100}});
        m_session.Export(m_o.file);
        const Outcome out = Wait();
        Keep(m_r.after);
        if (out.kind == OutcomeKind::Failed) {
            Fail(m_o.file + ": " + out.detail);
            return;
        }
        if (!out.ok()) {
            Fail(Why(out) + "; nothing written to " + m_o.file);
            return;
        }
        m_sink.Say("parameters written to " + std::filesystem::absolute(m_o.file).string());
    }

    // Compares and reports; the unit differs when the module does not hold
    // what it was given.
    void Check(const std::vector<Expectation>& wanted) {
        m_r.verification =
            Verify(wanted, m_r.after.value_or(std::array<std::string, kFieldCount>{}),
                   {true, m_session.Shown().PageThere(Page::PowerSaving),
                    m_session.Shown().PageThere(Page::Passive)});
        const Verification& v = *m_r.verification;
        for (const Difference& d : v.differences)
            Line(DifferenceText(d));
        if (!v.unchecked.empty())
            m_sink.Say("written but not read back (the module reports them only in power-saving "
                       "or passive mode): " +
                       Keys(v.unchecked));
        if (!v.ok()) {
            m_r.verdict = Verdict::Differs;
            m_r.error = std::to_string(v.differences.size()) + " of " +
                        std::to_string(v.differences.size() + v.confirmed.size()) +
                        " fields differ: " + DifferenceText(v.differences.front());
        }
        m_r.detail = std::to_string(v.confirmed.size()) + " fields verified";
    }

    void SetCommand() {
        std::vector<Frame> frames;
        for (const std::string& a : m_o.assignments) {
            FieldValue v = *ParseAssignment(a).value; // checked before any unit started
            SetPlan plan = v.plan;
            // One read at the end shows every value; a refresh after each set
            // would only show the ones before it again.
            plan.refreshAfter = false;
            m_sink.Say("setting " + std::string(KeyOf(v.field)) + " to " + v.text);
            m_sink.Expect({});
            m_session.Set(plan);
            if (const Outcome out = Wait(); !out.ok()) {
                Fail(std::string(KeyOf(v.field)) + ": " + Why(out));
                return;
            }
            if (plan.restartAdvice) {
                // The module has switched its line; the port here has not.
                (void)m_session.Ports().Drain(m_port, 500ms);
                m_sink.Say(std::string(kRestartAdviceText));
                m_sink.Say("the module now uses " + v.text + "; run detect to find it again");
                m_r.detail = "serialFormat " + v.text + " written";
                return;
            }
            frames.push_back(*plan.frame);
        }
        if (!Read(0, 100, "reading back"))
            return;
        for (const FieldValue& v : Assigned())
            Line(std::string(KeyOf(v.field)) + " " +
                 (*m_r.after)[static_cast<std::size_t>(v.field)]);
        Check(ExpectedAfter(frames));
    }

    std::vector<FieldValue> Assigned() const {
        std::vector<FieldValue> out;
        for (const std::string& a : m_o.assignments)
            out.push_back(*ParseAssignment(a).value);
        return out;
    }

    void DownloadCommand() {
        const bool record = !m_o.record.empty();
        int from = 0;
        if (record) {
            // The record keeps what the unit held before; a module that
            // misses an answer here still gets its download.
            m_sink.Expect({{"reading before", 0, 15}});
            m_session.Read();
            const Outcome before = Wait();
            Keep(m_r.before);
            if (before.kind == OutcomeKind::PortLost) {
                Fail(Why(before) + " (before the download)");
                return;
            }
            if (!before.ok())
                m_sink.Say("before the download: " + Why(before));
            from = 15;
        }
        m_sink.Expect({{"downloading", from, 80}, {"reading back", 80, 100}});
        const bool settle = m_o.verify || record;
        m_session.Download(m_plan.params,
                           settle ? std::optional<SettleRule>(SettleRule{}) : std::nullopt);
        const Outcome out = Wait();
        Keep(m_r.after);
        m_r.detail = std::to_string(out.stepsDone) + " of " + std::to_string(out.stepsTotal) +
                     " frames written";
        if (!out.ok()) {
            const bool written = out.stepsTotal > 0 && out.stepsDone == out.stepsTotal;
            Fail(Why(out) + (written
                                 ? " (reading back; every frame was written)"
                                 : " during the download after " + std::to_string(out.stepsDone) +
                                       " of " + std::to_string(out.stepsTotal) + " frames"));
            return;
        }
        if (m_o.verify)
            Check(ExpectedAfter(DownloadFrames(BuildDownload(m_plan.params))));
    }

    void VerifyCommand() {
        if (!Read(0, 100))
            return;
        Check(ExpectedAfter(DownloadFrames(BuildDownload(m_plan.params))));
    }

    // ---- packets as they come -------------------------------------------------

    // Takes packets until `until`, Ctrl-C or `done` says so; false when the
    // port was lost.
    bool Listen(SteadyTime until, const std::function<bool(const Packet&)>& done) {
        for (;;) {
            while (auto packet = m_session.Ports().TakePacket(m_port)) {
                Line(Traffic("收←", packet->bytes));
                if (m_ctx.prefixResults || m_o.command == "monitor")
                    Flush();
                if (done && done(*packet))
                    return true;
            }
            if (m_sink.PortLost())
                return Fail(m_sink.LostReason());
            if (m_ctx.interrupted.load() || std::chrono::steady_clock::now() >= until)
                return true;
            std::unique_lock lock(m_packetMutex);
            m_packetCv.wait_until(lock, std::min(until, std::chrono::steady_clock::now() + 100ms),
                                  [this] { return m_packetPosted; });
            m_packetPosted = false;
        }
    }

    // Streams what is there so far: a monitor shows packets as they arrive.
    void Flush() {
        m_ctx.console.Out(m_r.stdoutText);
        m_r.stdoutText.clear();
    }

    void Observe() {
        m_session.SetPacketObserver([this] {
            {
                std::lock_guard lock(m_packetMutex);
                m_packetPosted = true;
            }
            m_packetCv.notify_one();
        });
    }

    // --seconds from now; without it `fallback` seconds, or no end at all.
    SteadyTime Deadline(std::optional<double> fallback) const {
        const std::optional<double> seconds = m_o.seconds ? m_o.seconds : fallback;
        if (!seconds)
            return SteadyTime::max();
        const double s = *seconds;
        return std::chrono::steady_clock::now() +
               std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                   std::chrono::duration<double>(s));
    }

    void SendCommand() {
        const SendResult frame =
            BuildDataSend(m_o.hex, kSendAreaBuffer,
                          m_o.passiveAddr.empty() ? kModeActive : kModePassive, m_o.passiveAddr);
        Observe();
        const WriteStatus status = m_session.SendData(frame.bytes);
        if (status != WriteStatus::Queued) {
            Fail(status == WriteStatus::Refused ? "the line did not take the frame"
                                                : "the port is gone");
            return;
        }
        // Closing the port discards what has not left yet.
        (void)m_session.Ports().Drain(m_port, 500ms);
        Line(Traffic("发→", frame.bytes));
        Flush();
        Listen(Deadline(1.0), {});
        Flush();
    }

    void MonitorCommand() {
        Observe();
        char text[64] = " (Ctrl-C ends)";
        if (m_o.seconds)
            std::snprintf(text, sizeof text, " for %g s", *m_o.seconds);
        m_sink.Say(std::string("listening") + text);
        Listen(Deadline(std::nullopt), {});
        Flush();
    }

    void ProductionCommand() {
        CProductionMode production;
        CPortTable& table = m_session.Ports();
        WriteStatus status = WriteStatus::Queued;
        const std::string& c = m_o.command;
        if (c == "calibrate") {
            const std::string& value =
                m_plan.calibration.empty() ? m_o.calibration : m_plan.calibration;
            const auto bytes = ParseCalibration(value);
            if (!bytes) {
                Fail("no calibration value for this unit");
                return;
            }
            const CalibrationOutcome out =
                production.Calibrate(table, m_port, bytes->first, bytes->second);
            status = out.status;
            m_r.detail = "calibration " + bytes->first + " " + bytes->second + " written";
        } else if (c == "start0101") {
            status = production.Transmit0101(table, m_port);
            m_r.detail = "0101 transmission started";
        } else if (c == "stop0101") {
            status = production.StopTransmit0101(table, m_port);
            m_r.detail = "0101 transmission stopped";
        } else {
            Observe();
            status = production.SignalStrength(table, m_port);
            if (status == WriteStatus::Queued) {
                std::optional<int> strength;
                static constexpr std::uint8_t kHeader[10] = {0x1F, 0x2F, 0x3F, 0x4F, 0x5F,
                                                             0x6F, 0x7F, 0x8F, 0xF7, 0x03};
                Listen(std::chrono::steady_clock::now() + 1s, [&](const Packet& p) {
                    const auto it = std::search(p.bytes.begin(), p.bytes.end(), std::begin(kHeader),
                                                std::end(kHeader));
                    if (it == p.bytes.end() || it + 10 >= p.bytes.end())
                        return false;
                    strength = *(it + 10);
                    return true;
                });
                m_r.stdoutText.clear(); // the answer is the result, not its packet
                if (m_r.verdict == Verdict::Failed)
                    return;
                if (!strength) {
                    Fail("no answer to the signal-strength request");
                    return;
                }
                char text[64];
                std::snprintf(text, sizeof text, "signal strength %02X (%d)", *strength, *strength);
                Line(text);
                m_r.json = {{"port", m_plan.target.name}, {"signalStrength", *strength}};
                m_r.detail = text;
                return;
            }
        }
        if (status != WriteStatus::Queued) {
            Fail(status == WriteStatus::Refused ? "the line did not take the frame"
                                                : "the port is gone");
            return;
        }
        // Closing the port discards what has not left yet.
        (void)table.Drain(m_port, 500ms);
    }

    const RunContext& m_ctx;
    const Invocation& m_o;
    const UnitPlan& m_plan;
    UnitResult& m_r;
    UnitSink m_sink;
    Session m_session;
    int m_port;
    std::mutex m_packetMutex;
    std::condition_variable m_packetCv;
    bool m_packetPosted = false;
};

} // namespace

UnitResult RunUnit(const RunContext& ctx, const UnitPlan& plan) {
    UnitResult r;
    r.target = plan.target;
    r.command = ctx.invocation.command;
    r.assigned = plan.assigned;
    r.startedAt = IsoTime(std::chrono::system_clock::now());
    const auto start = std::chrono::steady_clock::now();
    if (!plan.error.empty()) {
        r.verdict = Verdict::Failed;
        r.error = plan.error;
        ctx.console.Err(plan.target.name.empty() ? plan.target.given : plan.target.name,
                        plan.error);
    } else {
        Unit unit(ctx, plan, r);
        unit.Run();
    }
    r.duration = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (r.verdict == Verdict::Failed && !plan.error.empty())
        return r;
    if (r.verdict == Verdict::Failed)
        ctx.console.Err(plan.target.name, "failed: " + r.error);
    return r;
}

} // namespace tmx7::cli
