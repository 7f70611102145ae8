// A private JACK server with the dummy backend, started by the test under a
// name of its own and stopped by its process id; the player run against it as
// a child process; and two test clients in the same graph: one sends MIDI to
// the player, the other records its output. JACK runs them in graph order in
// the same cycle, so every frame is known on the server's one clock.
#pragma once

#include <jack/jack.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class JackServer {
public:
    JackServer(int rate, int period);
    ~JackServer();
    bool running() const { return ready; }
    const std::string& name() const { return serverName; }
    void stop();

private:
    std::string serverName;
    pid_t pid = -1;
    bool ready = false;
};

struct PlayerRun {
    pid_t pid = -1;
    std::string outputPath, errorPath;
};

// Starts quenor-play with JACK_DEFAULT_SERVER and XDG_CONFIG_HOME set, and
// the settings of `environment` on top ("NAME" alone removes NAME).
PlayerRun startPlayer(const std::string& server, const std::string& configHome, std::vector<std::string> arguments,
                      const std::string& logFolder, const std::vector<std::string>& environment = {});
// SIGTERM (or none) and waits; returns the exit status, 128 + signal when killed.
int finishPlayer(PlayerRun& run, bool terminate, int timeoutMs = 10000);
std::string fileText(const std::string& path);

struct SentMessage {
    std::int64_t frame;  // from the first frame of the cycle where sending starts
    std::uint8_t bytes[3];
};

class TestClients {
public:
    // Registers both clients on the server; recordFrames of room from the start.
    TestClients(const std::string& server, std::int64_t recordFrames);
    ~TestClients();
    bool ready() const { return sender && recorder; }
    // Connects to the player's ports; waits until they exist.
    bool connectTo(const std::string& playerClient, int timeoutMs);
    // Sends the messages from the next cycle on and records from that same
    // cycle, with the server freewheeling.
    void play(const std::vector<SentMessage>& messages);
    bool finished() const { return recorded.load() >= static_cast<std::int64_t>(left.size()); }
    const std::vector<float>& recordedLeft() const { return left; }
    const std::vector<float>& recordedRight() const { return right; }
    // Cycles that did not follow the one before on the frame clock: the
    // recording has a gap there.
    int irregularCycles() const { return irregular.load(); }
    // The capture latency the player reports on its left output.
    jack_nframes_t reportedLatency(const std::string& playerClient) const;

private:
    static int sendCycle(jack_nframes_t frames, void* self);
    static int recordCycle(jack_nframes_t frames, void* self);

    jack_client_t* sender = nullptr;
    jack_client_t* recorder = nullptr;
    jack_port_t* midiOut = nullptr;
    jack_port_t* inLeft = nullptr;
    jack_port_t* inRight = nullptr;
    std::vector<SentMessage> messages;
    std::atomic<bool> armed{false};
    bool freewheeling = false;
    std::atomic<std::int64_t> startFrame{-1};
    std::size_t nextMessage = 0;
    std::vector<float> left, right;
    std::atomic<std::int64_t> recorded{0};
    std::int64_t lastCycleEnd = -1;
    std::atomic<int> irregular{0};
};
