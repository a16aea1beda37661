#include "settings/Session.h"

#include "platform/FileAccess.h"
#include "protocol/Refresh.h"
#include "protocol/SerialSetup.h"
#include "settings/Download.h"
#include "settings/ParamTransfer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tmx7 {

namespace {

std::string Format(const char* pattern, int port) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, port);
    return text;
}

// The fields whose answers are still awaited, in table order.
std::vector<Field> MissingFields(const std::vector<CommandCode>& awaited) {
    std::vector<Field> out;
    for (const auto& row : kFields) {
        const bool missing = std::any_of(awaited.begin(), awaited.end(), [&](CommandCode c) {
            const auto fields = FieldsAnsweredBy(c);
            return std::find(fields.begin(), fields.end(), row.field) != fields.end();
        });
        if (missing)
            out.push_back(row.field);
    }
    return out;
}

// What the activity pane says when an export writes nothing.
std::string ExportRefusedText(const Outcome& outcome) {
    if (outcome.kind == OutcomeKind::PortLost)
        return "参数未导出：串口已断开";
    if (outcome.kind == OutcomeKind::AnswersMissing) {
        std::string text = "参数未导出：模块没有回答";
        for (std::size_t i = 0; i < outcome.missing.size(); ++i)
            text += (i == 0 ? " " : "、") + std::string(InfoOf(outcome.missing[i]).caption);
        return text;
    }
    return "参数未导出";
}

} // namespace

Session::Session(EventSink& sink, Clock& clock, PortDirectory& ports)
    : m_clock(clock), m_out({&m_shown, &sink}), m_directory(ports), m_table(ports) {
    // The port's open failures ("COM<n>打开失败！") become message boxes.
    m_table.SetMessageHandler([this](const std::string& text) { Post({Notice{text, {}}}); });
    m_table.SetEvents(this);
    // Until a parameter file is imported there is no transmit power to download.
    m_shared.With([](DecoderState& st) {
        st.params.powerLevel = kPowerLevelNotSet;
        return 0;
    });
    m_worker = std::thread([this] { WorkerLoop(); });
}

Session::~Session() {
    StopTrafficLog();
    // The sequence is asked to end first: the watcher may be waiting for it.
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        if (m_stop)
            m_stop->request();
    }
    m_cv.notify_all();
    {
        std::lock_guard lock(m_watchMutex);
        m_watchQuit = true;
    }
    m_watchWake.notify();
    if (m_watcher.joinable())
        m_watcher.join();
    m_worker.join();
    if (m_decoder)
        m_decoder->Stop();
    m_table.SetEvents(nullptr);
    m_table.SetMessageHandler({});
}

// ---- connection and state -------------------------------------------------------------

void Session::SetLink(const LinkChoice& link) {
    {
        std::lock_guard lock(m_watchMutex);
        if (m_awaited && m_awaited->port != link.port)
            m_awaited.reset();
    }
    {
        std::lock_guard lock(m_linkMutex);
        m_link.comPort = link.port;
        m_link.baud = link.baud;
        m_lineFormat = link.lineFormat;
    }
    // A decoder asleep on the old port's packets looks at the new one.
    m_table.WakeWaiters();
}

LinkChoice Session::Link() const {
    std::lock_guard lock(m_linkMutex);
    return {m_link.comPort.load(), m_link.baud.load(), m_lineFormat};
}

bool Session::PortOpen() const {
    return m_table.IsOpen(Link().port);
}

DecoderState Session::State() const {
    return m_shared.Snapshot();
}

ParamSet Session::Params() const {
    return m_shared.Params();
}

void Session::SetParams(const ParamSet& params) {
    m_shared.With([&](DecoderState& st) {
        st.params = params;
        return 0;
    });
}

// ---- the worker ---------------------------------------------------------------------------

bool Session::Start(SequenceKind kind, Body body) {
    {
        std::unique_lock lock(m_mutex);
        // Whoever saw the last sequence's SequenceFinished may start the next
        // at once: the worker is only a moment from idle then. (Never waited
        // for on the worker itself, where a sink might start one.)
        if (std::this_thread::get_id() != m_worker.get_id())
            m_cv.wait(lock, [this] { return !m_finishing; });
        if (m_busy || m_quit)
            return false;
        m_busy = true;
        m_kind = kind;
        m_body = std::move(body);
        m_stop = std::make_shared<StopSignal>();
        m_portLost = false;
    }
    m_cv.notify_all();
    return true;
}

void Session::WorkerLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_quit || m_body; });
        if (!m_body)
            return;
        Body body = std::move(m_body);
        m_body = nullptr;
        const SequenceKind kind = m_kind;
        const std::shared_ptr<StopSignal> stop = m_stop;
        lock.unlock();
        Outcome outcome = body(*stop);
        lock.lock();
        // A wait cut short because the port went away ends as a lost port.
        if (outcome.kind == OutcomeKind::Stopped && m_portLost)
            outcome.kind = OutcomeKind::PortLost;
        m_finishing = true;
        lock.unlock();
        Post({SequenceFinished{kind, outcome}});
        lock.lock();
        m_lastOutcome = std::move(outcome);
        m_finishing = false;
        m_busy = false;
        m_cv.notify_all();
    }
}

bool Session::Busy() const {
    std::lock_guard lock(m_mutex);
    return m_busy;
}

std::optional<Outcome> Session::WaitIdle(Millis limit) {
    std::unique_lock lock(m_mutex);
    const auto idle = [this] { return !m_busy; };
    if (limit == Millis::max())
        m_cv.wait(lock, idle);
    else if (!m_cv.wait_for(lock, limit, idle))
        return std::nullopt;
    return m_lastOutcome;
}

void Session::StartDecoder() {
    if (m_decoder && m_decoder->Running())
        return;
    m_decoder = std::make_unique<DecoderThread>(m_table, m_shared, m_link, m_out, m_clock);
    m_decoder->Start();
}

// ---- sequences ----------------------------------------------------------------------------

Outcome Session::RefreshNow(StopSignal& stop) {
    const LinkChoice link = Link();
    // The answers are shown by the decoder; without one a refresh shows nothing.
    if (m_table.IsOpen(link.port))
        StartDecoder();
    return RefreshParameters({m_table, m_shared, m_out, m_clock, link.port, link.baud, &stop});
}

bool Session::Connect() {
    return Start(SequenceKind::Connect, [this](StopSignal& stop) {
        const LinkChoice link = Link();
        std::string text;
        if (m_table.IsOpen(link.port)) {
            char buf[160];
            std::snprintf(buf, sizeof buf, "端口COM%d连接成功,上位机串口格式为%d,%s", link.port,
                          link.baud, link.lineFormat.c_str());
            text = buf;
            StartDecoder();
        } else {
            // Nothing is claimed while no port is really open; "打开串口"
            // starts the decoder later.
            text = Format("端口COM%d未打开", link.port);
        }
        Post({Status{StatusSlot::Connection, text}});
        if (!m_clock.sleepFor(Millis(100), &stop))
            return Outcome{OutcomeKind::Stopped, {}, {}};
        return RefreshNow(stop);
    });
}

bool Session::OpenPort() {
    return Start(SequenceKind::OpenPort, [this](StopSignal& stop) {
        Disarm(); // the user reopens it: nothing to wait for
        const LinkChoice link = Link();
        // A refusal has been told through the message handler already.
        (void)m_table.Open(link.port, link.baud, link.lineFormat);
        // Without a decoder no answer would ever be shown (the settings
        // dialog may have ended without a port).
        if (m_table.IsOpen(link.port))
            StartDecoder();
        return RefreshNow(stop);
    });
}

bool Session::Refresh() {
    return Start(SequenceKind::Refresh, [this](StopSignal& stop) { return RefreshNow(stop); });
}

bool Session::Set(SetPlan plan) {
    return Start(SequenceKind::Set, [this, plan = std::move(plan)](StopSignal& stop) {
        const LinkChoice link = Link();
        Outcome outcome = RunSetPlan(plan, m_table, link.port, m_clock, m_out, &stop);
        if (!outcome.ok() || !plan.refreshAfter)
            return outcome;
        return RefreshNow(stop);
    });
}

bool Session::Download(const ParamSet& snapshot, std::optional<SettleRule> readBack) {
    // Every frame comes from this copy: answers decoded during the half
    // minute of the download cannot change what is written.
    return Start(
        SequenceKind::Download, [this, plan = BuildDownload(snapshot), readBack](StopSignal& stop) {
            const LinkChoice link = Link();
            Outcome outcome = RunDownload(plan, m_table, link.port, m_clock, m_out, &stop);
            if (outcome.kind != OutcomeKind::Completed && outcome.kind != OutcomeKind::WriteRefused)
                return outcome;
            Outcome refreshed = readBack ? ReadNow(stop, *readBack) : RefreshNow(stop);
            if (!refreshed.ok()) {
                refreshed.stepsDone = outcome.stepsDone;
                refreshed.stepsTotal = outcome.stepsTotal;
                return refreshed;
            }
            return outcome;
        });
}

Outcome Session::ReadNow(StopSignal& stop, const SettleRule& rule) {
    Outcome outcome = RefreshNow(stop);
    if (!outcome.ok())
        return outcome;
    // The decoder takes no packet while it pauses after each of its follow-up
    // queries, so a chain of them looks like silence with an answer missing.
    // While its list of awaited answers keeps changing it is still at work:
    // wait on, up to the rule's maximum in all.
    const int baud = Link().baud;
    Millis waited{0};
    SettleRule next = rule;
    bool complete = false;
    for (;;) {
        const std::size_t before = m_shared.AwaitedCount();
        waited += WaitForAnswersToSettle(m_clock, m_shared, baud, &stop, next, &complete);
        if (stop.requested())
            return Outcome{OutcomeKind::Stopped, {}, {}};
        if (complete || waited >= rule.maximum || m_shared.AwaitedCount() == before)
            break;
        next.minimum = Millis(0);
        next.maximum = rule.maximum - waited;
    }
    if (!complete) {
        outcome.kind = OutcomeKind::AnswersMissing;
        outcome.missing = MissingFields(m_shared.Awaited());
    }
    return outcome;
}

bool Session::Read(SettleRule rule) {
    return Start(SequenceKind::Read,
                 [this, rule](StopSignal& stop) { return ReadNow(stop, rule); });
}

bool Session::Export(std::string path, SettleRule rule) {
    return Start(SequenceKind::Export, [this, path = std::move(path), rule](StopSignal& stop) {
        Outcome outcome = ReadNow(stop, rule);
        if (!outcome.ok()) {
            // A file of asterisks would replace a good file: nothing is written.
            Post({Status{StatusSlot::Activity, ExportRefusedText(outcome)}});
            return outcome;
        }
        // The decoder's events reach the shown values as they are posted, so
        // they hold every answer decoded so far.
        const ParamExportResult written =
            ExportParamFile(ParamsFromDisplay(m_shown.Values(), Params()), path);
        Post({Status{StatusSlot::Activity, ExportStatusText(written)}});
        if (!written.status)
            return Outcome{OutcomeKind::Failed, {}, written.status.message};
        return outcome;
    });
}

bool Session::Probe(int port, int baud) {
    return Start(SequenceKind::Probe, [this, port, baud](StopSignal&) {
        Disarm(); // the link is being chosen again
        // The probe takes the answers itself; a decoder would take them first.
        if (m_decoder)
            m_decoder->Stop();
        SerialSetup setup(m_table, m_clock);
        const SetupResult r = setup.Confirm(port, baud);
        return Adopt(r);
    });
}

bool Session::Detect(int port) {
    return Start(SequenceKind::Detect, [this, port](StopSignal&) {
        Disarm(); // the link is being chosen again
        if (m_decoder)
            m_decoder->Stop();
        std::optional<RememberedLink> first;
        if (LinkMemory* memory = m_memory.load())
            if (const auto path = m_directory.PathFor(port))
                first = memory->Recall(DeviceIdentity(*path));
        SerialSetup setup(m_table, m_clock);
        const auto step = [this](const std::string& caption) {
            // The caption opens with the baud rate that failed.
            Post({DetectStep{std::atoi(caption.c_str()), caption}});
        };
        const SetupResult r = setup.AutoDetect(port, step, first);
        return Adopt(r);
    });
}

Outcome Session::Adopt(const SetupResult& r) {
    // The failure text travels in the outcome: the settings dialog shows it
    // (an open failure has been told by the port table already).
    if (!r.connected)
        return Outcome{OutcomeKind::Failed, {}, r.message};
    SetLink({r.comPort, r.baud, r.lineFormat});
    Remember(r.comPort);
    Post({Connected{r.comPort, r.baud, r.lineFormat, r.connectDelayMs}});
    return Outcome{};
}

void Session::Remember(int port) {
    LinkMemory* memory = m_memory.load();
    const auto device = m_table.DeviceOf(port);
    const LinkChoice link = Link();
    // Failing to keep it costs the next detection its head start, no more.
    if (memory && device)
        (void)memory->Remember(device->identity, {link.baud, link.lineFormat});
}

// ---- immediate operations -----------------------------------------------------------------

void Session::ClosePort() {
    Disarm();
    m_table.Stop(Link().port);
}

WriteStatus Session::Send(std::span<const std::uint8_t> frame, CommandCode code) {
    const int port = Link().port;
    const WriteStatus status = m_table.Write(port, frame);
    if (status != WriteStatus::Queued)
        Post({WriteFailed{port, status, code}});
    return status;
}

WriteStatus Session::SendData(std::span<const std::uint8_t> frame) {
    return m_table.Write(Link().port, frame);
}

void Session::SendExitCommand() {
    const int port = Link().port;
    if (const auto frame = MakeShortFrame(CmdStop0101)) {
        if (Send(*frame, CmdStop0101) == WriteStatus::Queued)
            (void)m_table.Drain(port, Millis(500));
    }
}

void Session::ClearReceived() {
    Post({ReceiveCleared{m_shared.BeginNewReceiveEpoch()}});
}

// ---- traffic ---------------------------------------------------------------------------------

FileResult Session::StartTrafficLog(const std::string& path, TrafficLog::Options options) {
    StopTrafficLog();
    if (!options.onError)
        options.onError = [this](const std::string& why) {
            Post({Status{StatusSlot::Activity, "日志文件写入失败：" + why}});
        };
    auto log = std::make_unique<TrafficLog>();
    if (FileResult r = log->Start(path, std::move(options)); !r)
        return r;
    std::lock_guard lock(m_logMutex);
    m_log = std::move(log);
    return FileResult::Success();
}

void Session::StopTrafficLog() {
    std::unique_ptr<TrafficLog> log;
    {
        std::lock_guard lock(m_logMutex);
        log = std::move(m_log);
    }
    if (log)
        log->Stop(); // writes what is queued
}

bool Session::TrafficLogging() const {
    std::lock_guard lock(m_logMutex);
    return m_log != nullptr;
}

// ---- port notices ---------------------------------------------------------------------------

void Session::PacketPosted(int /*port*/) {}

void Session::Traffic(int port, Direction direction, TimePoint at,
                      std::span<const std::uint8_t> bytes) {
    tmx7::Traffic traffic{port, direction, at, {bytes.begin(), bytes.end()}};
    {
        std::lock_guard lock(m_logMutex);
        if (m_log)
            m_log->Append(traffic);
    }
    Post({std::move(traffic)});
}

void Session::PortLost(int port, SerialResult why) {
    const LinkChoice link = Link();
    if (port != link.port)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_portLost = true;
        if (m_busy && m_stop)
            m_stop->request();
    }
    bool awaiting = false;
    {
        std::lock_guard lock(m_watchMutex);
        const auto device = m_table.DeviceOf(port);
        if (m_autoReconnect && device) {
            m_awaited = Awaited{port, link.baud, link.lineFormat, *device, ++m_armings};
            awaiting = true;
        }
    }
    char text[160];
    std::snprintf(text, sizeof text,
                  awaiting ? "端口COM%d已断开，等待重新连接......" : "端口COM%d已断开", port);
    Post({tmx7::PortLost{port, why}, Status{StatusSlot::Connection, text}});
    if (awaiting)
        m_watchWake.notify();
}

// ---- adapters that come and go ----------------------------------------------------------------

void Session::RememberLinks(LinkMemory* memory) {
    m_memory.store(memory);
}

void Session::SetAutoReconnect(bool on) {
    {
        std::lock_guard lock(m_watchMutex);
        m_autoReconnect = on;
        if (!on)
            m_awaited.reset();
    }
    if (on)
        EnsureWatcher();
    m_watchWake.notify();
}

void Session::SetWatchPorts(bool on) {
    {
        std::lock_guard lock(m_watchMutex);
        m_watchPorts = on;
    }
    if (on)
        EnsureWatcher();
    m_watchWake.notify();
}

void Session::EnsureWatcher() {
    std::lock_guard lock(m_watchMutex);
    if (!m_watcher.joinable() && !m_watchQuit)
        m_watcher = std::thread([this] { WatchLoop(); });
}

void Session::Disarm() {
    std::lock_guard lock(m_watchMutex);
    m_awaited.reset();
}

void Session::WatchLoop() {
    // Where serial devices appear without a udev event (a container), and
    // where udev puts its stable links.
    static const std::vector<std::string> kDeviceFolders = {"/dev/tty", "/dev/serial/by-id/x"};
    // Without inotify a lost adapter is looked for this often; nothing
    // looks while no port is awaited.
    constexpr Millis kLookAgain{15000};
    static constexpr Millis kRetryAfter[] = {Millis(1000), Millis(3000), Millis(10000),
                                             Millis(20000)};
    DeviceWatch watch;
    std::uint64_t looked = 0; // the last arming looked for at once
    for (;;) {
        std::optional<Awaited> awaited;
        bool ports;
        {
            std::lock_guard lock(m_watchMutex);
            if (m_watchQuit)
                return;
            awaited = m_awaited;
            ports = m_watchPorts;
        }
        std::vector<std::string> folders;
        if (ports)
            folders = kDeviceFolders;
        if (awaited)
            folders.push_back(awaited->device.path);
        watch.WatchFolders(folders);
        // Newly lost: it may be back already. Only once per loss: after a
        // reopen that failed, the next change is waited for.
        if (awaited && awaited->arming != looked) {
            looked = awaited->arming;
            if (TryReturn(*awaited, {awaited->device.path}))
                continue;
        }

        DeviceWatch::Change change;
        Millis limit = awaited && !watch.Watching(awaited->device.path) ? kLookAgain : Millis(-1);
        // A device that is back but would not open (held by a program that
        // probes new ports, permissions not yet set) gives no sign when that
        // changes: try again after a while, less often each time.
        if (awaited && awaited->failures > 0) {
            const Millis retry = kRetryAfter[std::min<std::size_t>(
                static_cast<std::size_t>(awaited->failures - 1), std::size(kRetryAfter) - 1)];
            limit = limit.count() < 0 ? retry : std::min(limit, retry);
        }
        const DeviceWatch::Woke woke = watch.Wait(limit, &m_watchWake, &change);
        m_watchWake.clear();
        if (woke == DeviceWatch::Woke::Failed) {
            // Nothing to sleep on: look again after a while, never spin.
            StopSignal never;
            never.waitFor(kLookAgain);
        }
        if (woke == DeviceWatch::Woke::Change && ports && (change.added || change.removed))
            Post({PortsChanged{}});
        if (awaited && (woke == DeviceWatch::Woke::Change || woke == DeviceWatch::Woke::Timeout)) {
            std::vector<std::string> candidates = {awaited->device.path};
            candidates.insert(candidates.end(), change.addedNodes.begin(), change.addedNodes.end());
            TryReturn(*awaited, candidates);
        }
    }
}

bool Session::TryReturn(const Awaited& awaited, const std::vector<std::string>& candidates) {
    std::optional<std::string> found;
    for (const std::string& path : candidates) {
        if (FileExists(path) && DeviceIdentity(path) == awaited.device.identity) {
            found = path;
            break;
        }
    }
    if (!found)
        return false;
    // A sequence that lost the port ends at once; anything else the user
    // started meanwhile is let finish.
    for (;;) {
        WaitIdle();
        {
            std::lock_guard lock(m_watchMutex);
            if (m_watchQuit || !m_awaited || m_awaited->port != awaited.port)
                return true; // no longer awaited: nothing to do
            m_awaited.reset();
        }
        if (m_table.IsOpen(awaited.port))
            return true; // opened again meanwhile by other means
        const std::string path = *found;
        if (Start(SequenceKind::Reconnect, [this, awaited, path](StopSignal& stop) {
                return ReconnectNow(stop, awaited, path);
            }))
            return true;
        std::lock_guard lock(m_watchMutex);
        if (m_watchQuit)
            return true;
        m_awaited = awaited;
    }
}

Outcome Session::ReconnectNow(StopSignal& stop, const Awaited& awaited, const std::string& path) {
    // Back somewhere else (udev named it): the number follows the adapter.
    if (path != awaited.device.path)
        m_directory.Map(awaited.port, path);
    // A device node can be there a moment before it can be opened: udevd
    // still setting its permissions, the driver still starting.
    static constexpr Millis kRetries[] = {Millis(0), Millis(100), Millis(300), Millis(600)};
    OpenAttempt attempt;
    for (Millis pause : kRetries) {
        if (!m_clock.sleepFor(pause, &stop))
            return Outcome{OutcomeKind::Stopped, {}, {}};
        attempt = m_table.TryOpen(awaited.port, awaited.baud, awaited.lineFormat);
        if (attempt.result == 1)
            break;
    }
    char text[256];
    if (attempt.result != 1) {
        const std::string reason = attempt.message.substr(
            std::min(attempt.message.size(), attempt.message.find('\n') + 1));
        std::snprintf(text, sizeof text, "端口COM%d重新连接失败：%s", awaited.port, reason.c_str());
        Post({Status{StatusSlot::Connection, text}});
        {
            std::lock_guard lock(m_watchMutex);
            if (m_autoReconnect && !m_awaited) {
                m_awaited = awaited; // looked for again at the next change or after a while
                ++m_awaited->failures;
            }
        }
        m_watchWake.notify();
        return Outcome{OutcomeKind::Failed, {}, attempt.message};
    }
    StartDecoder();
    std::snprintf(text, sizeof text, "端口COM%d已重新连接,上位机串口格式为%d,%s", awaited.port,
                  awaited.baud, awaited.lineFormat.c_str());
    Post({Reconnected{awaited.port, awaited.baud, awaited.lineFormat, path},
          Status{StatusSlot::Connection, text}});
    return RefreshNow(stop);
}

} // namespace tmx7
