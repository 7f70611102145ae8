// Linked into tests that need an X server: uses the one DISPLAY names, or
// starts a private Xvfb for this test process and stops it at the end, so
// tests never share a server's windows.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

class PrivateXServer : public ::testing::Environment {
public:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (display && *display) return;
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        server = fork();
        ASSERT_GE(server, 0);
        if (server == 0) {
            close(pipeEnds[0]);
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
            const std::string fd = std::to_string(pipeEnds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeEnds[1]);
        std::string number;
        char c;
        while (read(pipeEnds[0], &c, 1) == 1 && c != '\n') number += c;
        close(pipeEnds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        setenv("DISPLAY", (":" + number).c_str(), 1);
    }

    void TearDown() override {
        if (server <= 0) return;
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
    }

private:
    pid_t server = 0;
};

const ::testing::Environment* const registered = ::testing::AddGlobalTestEnvironment(new PrivateXServer);

}  // namespace
