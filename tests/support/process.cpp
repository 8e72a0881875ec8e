#include "tests/support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

pid_t StartProcess(const std::vector<std::string>& arguments, const std::string& folder,
                   const std::string& errors, const std::vector<std::string>& environment,
                   const std::function<void()>& beforeExec) {
    const pid_t child = fork();
    if (child != 0) return child;
    const int quiet = open("/dev/null", O_RDWR);
    dup2(quiet, STDIN_FILENO);
    dup2(quiet, STDOUT_FILENO);
    const int sink =
        errors.empty() ? quiet : open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(sink, STDERR_FILENO);
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
    for (const std::string& setting : environment)
        if (setting[0] == '-')
            unsetenv(setting.c_str() + 1);
        else
            putenv(const_cast<char*>(setting.c_str()));
    if (beforeExec) beforeExec();
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

int WaitForProcess(pid_t child, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    for (;;) {
        if (waitpid(child, &status, WNOHANG) == child) return status;
        if (std::chrono::steady_clock::now() >= until) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

ProcessRun RunProcess(const std::vector<std::string>& arguments, const std::string& folder,
                      double limitSeconds, const std::vector<std::string>& environment,
                      const std::function<void()>& beforeExec) {
    char name[] = "/tmp/show-errors-XXXXXX";
    const int descriptor = mkstemp(name);
    if (descriptor >= 0) close(descriptor);
    ProcessRun run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = StartProcess(arguments, folder, name, environment, beforeExec);
    int status = WaitForProcess(child, limitSeconds);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status == -1) {
        run.timedOut = true;
        kill(child, SIGKILL);
        status = WaitForProcess(child, 10);
    }
    if (status != -1 && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.errors = FileText(name);
    std::remove(name);
    return run;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
