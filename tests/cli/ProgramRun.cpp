#include "ProgramRun.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void closeIfOpen(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
    int timeoutMilliseconds)
{
    ProgramRun run;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return run;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return run;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (child < 0) {
        close(out[0]);
        close(err[0]);
        return run;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    int readers[2] = {out[0], err[0]};
    std::string* sinks[2] = {&run.out, &run.err};
    bool timedOut = false;
    while (readers[0] >= 0 || readers[1] >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd polls[2] = {{readers[0], POLLIN, 0}, {readers[1], POLLIN, 0}};
        const int ready = poll(polls, 2, static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (readers[i] < 0 || polls[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t got = read(readers[i], buffer, sizeof buffer);
            if (got > 0)
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            else if (got == 0 || errno != EINTR)
                closeIfOpen(readers[i]);
        }
    }
    closeIfOpen(readers[0]);
    closeIfOpen(readers[1]);
    int status = 0;
    bool exited = false;
    while (!timedOut && !exited) {
        exited = waitpid(child, &status, WNOHANG) == child;
        if (!exited && std::chrono::steady_clock::now() >= deadline)
            timedOut = true;
        else if (!exited)
            usleep(2000);
    }
    if (!exited) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    run.status = exited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
