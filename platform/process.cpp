#include "platform/process.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

int decodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

int waitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return decodeStatus(status);
}

// In the child: puts `fd` on each of the standard streams from `first` to `last`.
void redirect(int fd, int first, int last) {
    for (int s = first; s <= last; ++s) dup2(fd, s);
    if (fd > STDERR_FILENO) close(fd);
}

}  // namespace

ShellResult runShell(const std::string& command, ShellStreams streams) {
    ShellResult result;
    std::fflush(nullptr);
    const bool capture = streams == ShellStreams::capture;

    int fds[2] = {-1, -1};
    if (capture && pipe(fds) != 0) return result;

    pid_t pid = fork();
    if (pid < 0) {
        if (capture) {
            close(fds[0]);
            close(fds[1]);
        }
        return result;
    }
    if (pid == 0) {
        // Only async-signal-safe calls from here on.
        int tty = streams == ShellStreams::interactive ? open("/dev/tty", O_RDWR) : -1;
        if (tty >= 0) {
            redirect(tty, STDIN_FILENO, STDERR_FILENO);
        } else {
            int null = open("/dev/null", O_RDWR);
            if (null >= 0)
                redirect(null, STDIN_FILENO,
                         streams == ShellStreams::discard ? STDERR_FILENO : STDIN_FILENO);
        }
        if (capture) {
            close(fds[0]);
            redirect(fds[1], STDOUT_FILENO, STDERR_FILENO);
        }
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }

    result.started = true;
    if (capture) {
        close(fds[1]);
        char buf[4096];
        for (;;) {
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n > 0) {
                result.output.append(buf, static_cast<size_t>(n));
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                break;
            }
        }
        close(fds[0]);
    }
    result.exitStatus = waitFor(pid);
    return result;
}

std::string makeTempFile(const std::string& suffix) {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/jexXXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0) return std::string();
    close(fd);
    return std::string(name.data());
}

bool openConsoleWindow() {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) return false;
    const char* shell = std::getenv("SHELL");
    std::string command = shell && *shell ? shell : "/bin/sh";
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        execl(command.c_str(), command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    waitFor(pid);
    return true;
}

std::string currentDirectory() {
    std::vector<char> buf(PATH_MAX + 1);
    if (!getcwd(buf.data(), buf.size())) return std::string();
    return std::string(buf.data());
}

}  // namespace platform
