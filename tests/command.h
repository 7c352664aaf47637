// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a shell command and keeps what it printed, for the tests that check
// tools and programs from outside.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct CommandResult {
    int status = -1; // the wait status
    std::string output;
};

// Runs a shell command, its stderr merged into its stdout.
inline CommandResult run(const std::string &command)
{
    CommandResult result;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    size_t count = 0;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, count);
    }
    result.status = pclose(pipe);
    return result;
}

inline int exit_code(const CommandResult &result)
{
    return WIFEXITED(result.status) ? WEXITSTATUS(result.status) : -1;
}

inline bool succeeded(const CommandResult &result)
{
    return exit_code(result) == 0;
}
