// Programs run as a user runs them, for the tests that watch them from outside: started with
// their standard error kept, waited for with a limit, so that a program that hangs fails its
// test instead of stalling the suite.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// Starts `arguments` (found on the PATH) in `folder` (empty: here), standard output discarded and
// standard error into the file `errors` (empty: discarded). Each entry of `environment` is set,
// or, written as "-NAME", removed; `beforeExec` runs in the child last (limits, signals).
pid_t StartProcess(const std::vector<std::string>& arguments, const std::string& folder,
                   const std::string& errors, const std::vector<std::string>& environment = {},
                   const std::function<void()>& beforeExec = {});

// Waits up to `seconds` for `child`: its wait status, or -1 if it is still running.
int WaitForProcess(pid_t child, double seconds);

// What a run came to: its exit code (-1 when it did not exit by itself: killed by a signal, or
// still running after the limit, when it is killed), what it wrote on standard error, and how
// long it took.
struct ProcessRun {
    int exitCode = -1;
    bool timedOut = false;
    std::string errors;
    double seconds = 0;
};

// Runs `arguments` in `folder` to its end, killing it after `limitSeconds`.
ProcessRun RunProcess(const std::vector<std::string>& arguments, const std::string& folder,
                      double limitSeconds, const std::vector<std::string>& environment = {},
                      const std::function<void()>& beforeExec = {});

// The whole contents of a text file, or empty.
std::string FileText(const std::string& path);
