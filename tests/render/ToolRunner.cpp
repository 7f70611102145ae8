#include "tests/render/ToolRunner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

ToolResult runRenderTool(const std::vector<std::string>& arguments, int interruptAfterMs,
                         const std::string& program, const std::vector<std::string>& environment) {
    std::vector<std::string> words{program.empty() ? QUENOR_RENDER_PATH : program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDERR_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        for (const std::string& setting : environment) {
            const std::size_t equals = setting.find('=');
            ::setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    if (interruptAfterMs > 0) {
        ::usleep(interruptAfterMs * 1000);
        ::kill(child, SIGINT);
    }
    ToolResult result;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) result.errors.append(buffer, got);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}
