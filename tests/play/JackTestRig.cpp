#include "tests/play/JackTestRig.h"

#include <fcntl.h>
#include <jack/midiport.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

void quiet(const char*) {}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

jack_client_t* openClient(const std::string& server, const char* name) {
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    jack_status_t status{};
    return jack_client_open(name, static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status,
                            server.c_str());
}

pid_t spawn(const std::vector<std::string>& words, const std::vector<std::string>& environment,
            const std::string& out, const std::string& err) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    for (const std::string& setting : environment) {
        if (setting.find('=') == std::string::npos)
            ::unsetenv(setting.c_str());
        else
            ::putenv(const_cast<char*>(setting.c_str()));
    }
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(outFd, STDOUT_FILENO);
    ::dup2(errFd, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

}  // namespace

JackServer::JackServer(int rate, int period) {
    static int serial = 0;
    serverName = "quenor-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    const std::string log = "/tmp/" + serverName + ".log";
    pid = spawn({"jackd", "--no-realtime", "--sync", "-n", serverName, "-d", "dummy", "-r", std::to_string(rate),
                 "-p", std::to_string(period)},
                {"JACK_NO_AUDIO_RESERVATION=1"}, "/dev/null", log);
    for (int attempt = 0; attempt < 100 && !ready; ++attempt) {
        sleepMs(50);
        if (jack_client_t* probe = openClient(serverName, "probe")) {
            jack_client_close(probe);
            ready = true;
        }
    }
    ::unlink(log.c_str());
}

JackServer::~JackServer() { stop(); }

void JackServer::stop() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
}

PlayerRun startPlayer(const std::string& server, const std::string& configHome, std::vector<std::string> arguments,
                      const std::string& logFolder, const std::vector<std::string>& environment) {
    static int serial = 0;
    PlayerRun run;
    run.outputPath = logFolder + "/player-" + std::to_string(serial) + ".out";
    run.errorPath = logFolder + "/player-" + std::to_string(serial++) + ".err";
    arguments.insert(arguments.begin(), {QUENOR_PLAY_PATH, "--plugin", QUENOR_PLUGIN_PATH});
    std::vector<std::string> settings = {"JACK_DEFAULT_SERVER=" + server, "XDG_CONFIG_HOME=" + configHome};
    settings.insert(settings.end(), environment.begin(), environment.end());
    run.pid = spawn(arguments, settings, run.outputPath, run.errorPath);
    return run;
}

int finishPlayer(PlayerRun& run, bool terminate, int timeoutMs) {
    if (run.pid <= 0) return -1;
    if (terminate) ::kill(run.pid, SIGTERM);
    int status = 0;
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (::waitpid(run.pid, &status, WNOHANG) == run.pid) {
            run.pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        sleepMs(10);
    }
    ::kill(run.pid, SIGKILL);
    ::waitpid(run.pid, &status, 0);
    run.pid = -1;
    return -2;  // it hung
}

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TestClients::TestClients(const std::string& server, std::int64_t recordFrames)
    : left(static_cast<std::size_t>(recordFrames), 0.0f), right(static_cast<std::size_t>(recordFrames), 0.0f) {
    sender = openClient(server, "test-sender");
    recorder = openClient(server, "test-recorder");
    if (!sender || !recorder) return;
    midiOut = jack_port_register(sender, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    inLeft = jack_port_register(recorder, "in_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    inRight = jack_port_register(recorder, "in_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(sender, sendCycle, this);
    jack_set_process_callback(recorder, recordCycle, this);
    jack_activate(sender);
    jack_activate(recorder);
}

TestClients::~TestClients() {
    if (sender && freewheeling) jack_set_freewheel(sender, 0);
    if (sender) jack_client_close(sender);
    if (recorder) jack_client_close(recorder);
}

// The player's ports exist before its client is active, and the server
// refuses connections to an inactive client's ports: tried until they hold.
bool TestClients::connectTo(const std::string& player, int timeoutMs) {
    const auto joined = [](int status) { return status == 0 || status == EEXIST; };
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (jack_port_by_name(sender, (player + ":midi_in").c_str()) &&
            jack_port_by_name(sender, (player + ":out_right").c_str()) &&
            joined(jack_connect(sender, jack_port_name(midiOut), (player + ":midi_in").c_str())) &&
            joined(jack_connect(recorder, (player + ":out_left").c_str(), jack_port_name(inLeft))) &&
            joined(jack_connect(recorder, (player + ":out_right").c_str(), jack_port_name(inRight))))
            return true;
        sleepMs(20);
    }
    return false;
}

void TestClients::play(const std::vector<SentMessage>& toSend) {
    // Freewheeling, the server runs each cycle as soon as every client has
    // finished the last: on a loaded machine no cycle is lost to an x-run,
    // and with it no message. The first messages go out once it has begun.
    jack_set_freewheel(sender, 1);
    freewheeling = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    messages = toSend;
    nextMessage = 0;
    armed = true;
}

jack_nframes_t TestClients::reportedLatency(const std::string& player) const {
    jack_port_t* port = jack_port_by_name(recorder, (player + ":out_left").c_str());
    jack_latency_range_t range{0, 0};
    if (port) jack_port_get_latency_range(port, JackCaptureLatency, &range);
    return range.min;
}

int TestClients::sendCycle(jack_nframes_t frames, void* self) {
    auto* rig = static_cast<TestClients*>(self);
    void* buffer = jack_port_get_buffer(rig->midiOut, frames);
    jack_midi_clear_buffer(buffer);
    if (!rig->armed) return 0;
    const auto cycleStart = static_cast<std::int64_t>(jack_last_frame_time(rig->sender));
    std::int64_t start = rig->startFrame.load();
    if (start < 0) rig->startFrame = start = cycleStart;
    while (rig->nextMessage < rig->messages.size()) {
        const SentMessage& message = rig->messages[rig->nextMessage];
        const std::int64_t offset = start + message.frame - cycleStart;
        if (offset >= static_cast<std::int64_t>(frames)) break;
        jack_midi_event_write(buffer, static_cast<jack_nframes_t>(offset), message.bytes, 3);
        ++rig->nextMessage;
    }
    return 0;
}

int TestClients::recordCycle(jack_nframes_t frames, void* self) {
    auto* rig = static_cast<TestClients*>(self);
    const std::int64_t start = rig->startFrame.load();
    if (start < 0) return 0;
    const auto cycleStart = static_cast<std::int64_t>(jack_last_frame_time(rig->recorder));
    if (rig->lastCycleEnd >= 0 && cycleStart != rig->lastCycleEnd) rig->irregular.fetch_add(1);
    rig->lastCycleEnd = cycleStart + frames;
    const auto* l = static_cast<const float*>(jack_port_get_buffer(rig->inLeft, frames));
    const auto* r = static_cast<const float*>(jack_port_get_buffer(rig->inRight, frames));
    for (jack_nframes_t i = 0; i < frames; ++i) {
        const std::int64_t at = cycleStart + i - start;
        if (at < 0 || at >= static_cast<std::int64_t>(rig->left.size())) continue;
        rig->left[static_cast<std::size_t>(at)] = l[i];
        rig->right[static_cast<std::size_t>(at)] = r[i];
        rig->recorded = std::max(rig->recorded.load(), at + 1);
    }
    return 0;
}
