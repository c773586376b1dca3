#include "ProgramRun.h"

#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string contents(std::FILE* file) {
    std::string text;
    if (file == nullptr)
        return text;
    std::rewind(file);
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, got);
    std::fclose(file);
    return text;
}

}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args, int timeoutMilliseconds,
    const std::string& lang) {
    // Output goes to files, so a chatty program never blocks on a full pipe.
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> variables{"LANG=" + lang};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string name = std::string(*variable).substr(0, std::string(*variable).find('='));
        if (name != "LANG" && name != "LC_ALL" && name != "LC_MESSAGES")
            variables.push_back(*variable);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(&variable[0]);
    envp.push_back(nullptr);

    const pid_t child = out != nullptr && err != nullptr ? fork() : -1;
    if (child == 0) {
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    bool exited = false;
    for (int waited = 0; child > 0 && !exited && waited <= timeoutMilliseconds; waited += 2) {
        exited = waitpid(child, &status, WNOHANG) == child;
        if (!exited)
            usleep(2000);
    }
    if (child > 0 && !exited) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    ProgramRun run;
    run.status = exited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = contents(out);
    run.err = contents(err);
    return run;
}

std::string repairProgram() {
    const char* chosen = std::getenv("SONORIX_REPAIR");
    return chosen != nullptr && *chosen != '\0' ? chosen : SONORIX_REPAIR;
}
