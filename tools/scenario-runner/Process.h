// Child processes and work directories of the runner.
#pragma once

#include <string>
#include <vector>

struct RunResult {
    int exitCode = -1;
    bool timedOut = false;
    std::string output;
    std::string errors;
};

// Runs argv in `dir` with standard input from /dev/null, standard output and
// error captured; `environment` holds NAME=VALUE settings added for the
// child. Killed after `timeoutSeconds`.
RunResult Run(const std::vector<std::string>& argv, const std::string& dir, int timeoutSeconds,
              const std::vector<std::string>& environment = {});

std::string MakeTempDir();
void RemoveDir(const std::string& dir);
