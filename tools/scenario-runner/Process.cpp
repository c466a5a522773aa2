#include "Process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "Scenario.h"

RunResult Run(const std::vector<std::string>& argv, const std::string& dir, int timeoutSeconds,
              const std::vector<std::string>& environment) {
    RunResult r;
    const std::string outPath = dir + "/.stdout", errPath = dir + "/.stderr";
    // Everything the child needs is made before fork: after it, only
    // async-signal-safe calls.
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
    if (pid < 0) {
        r.errors = "fork failed";
        return r;
    }
    int status = 0;
    for (int waited = 0;; waited += 20) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (waited >= timeoutSeconds * 1000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.timedOut = true;
            break;
        }
        usleep(20 * 1000);
    }
    if (!r.timedOut && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.output = ReadFile(outPath);
    r.errors = ReadFile(errPath);
    return r;
}

std::string MakeTempDir() {
    char templ[] = "/tmp/orvane-scenario-XXXXXX";
    const char* made = mkdtemp(templ);
    return made ? made : "";
}

void RemoveDir(const std::string& dir) {
    if (dir.empty()) return;
    Run({"rm", "-rf", dir}, "/tmp", 30);
}
