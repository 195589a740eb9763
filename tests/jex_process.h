// A running jex program for the tests that need a second process or kill it: the binary built beside
// the tests (build/app/jex), fed through a pipe, its results window read from a pipe.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace jextest {

inline std::string jexbinary() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    self[n] = 0;
    auto path = std::filesystem::path(self).parent_path().parent_path() / "app" / "jex";
    return std::filesystem::exists(path) ? path.string() : "";
}

// A running jex in a directory, fed through a pipe, its results window read from a pipe.
class JexProcess {
public:
    JexProcess(const std::string& binary, const std::string& dir) {
        int in[2], out[2];
        // Close-on-exec: a second program started later must not hold this one's pipes open.
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 2);
            close(in[1]);
            close(out[0]);
            if (chdir(dir.c_str()) != 0) _exit(127);
            execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toJex_ = in[1];
        fromJex_ = out[0];
    }
    ~JexProcess() {
        if (toJex_ >= 0) close(toJex_);
        if (fromJex_ >= 0) close(fromJex_);
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return pid_ > 0; }
    void send(const std::string& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            ssize_t n = write(toJex_, text.data() + done, text.size() - done);
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
    }
    void endInput() {
        close(toJex_);
        toJex_ = -1;
    }
    // Reads until the output holds `marker` (empty: until the end of output) or the time
    // runs out; returns whether it was found.
    bool readUntil(const std::string& marker, int seconds = 60) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (marker.empty() || output.find(marker) == std::string::npos) {
            int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - std::chrono::steady_clock::now())
                                            .count());
            if (left <= 0) return false;
            pollfd p{fromJex_, POLLIN, 0};
            if (poll(&p, 1, left) <= 0) return false;
            char buf[4096];
            ssize_t n = read(fromJex_, buf, sizeof buf);
            if (n <= 0) return marker.empty();
            output.append(buf, static_cast<std::size_t>(n));
        }
        return true;
    }
    void killNow() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        reaped_ = true;
    }
    // The exit status when the program ends within the time given, else -1 (it runs on).
    int waitWithin(int seconds) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return status;
            }
            usleep(10000);
        }
        return -1;
    }
    int wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        reaped_ = true;
        return status;
    }

    std::string output;

private:
    pid_t pid_ = -1;
    int toJex_ = -1, fromJex_ = -1;
    bool reaped_ = false;
};

}  // namespace jextest
