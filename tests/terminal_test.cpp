// The console program at a terminal: run under a pseudo-terminal, as a user at a keyboard
// runs it.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Reads what the program writes to the terminal until `until` has appeared after `from`
// (or the program has ended, or a few seconds have passed).
void readUntil(int fd, std::string& screen, const std::string& until, std::size_t from) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (screen.find(until, from) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[4096];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return;
        screen.append(buf, static_cast<std::size_t>(n));
    }
}

void waitForLineEditor(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    termios mode{};
    while (tcgetattr(fd, &mode) == 0 && (mode.c_lflag & ICANON) &&
           std::chrono::steady_clock::now() < deadline)
        usleep(10000);
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

}  // namespace

// The line editor shows a typed line as it is typed; the program must not show it again.
TEST(Terminal, ATypedLineIsShownOnce) {
    std::string templ = (std::filesystem::temp_directory_path() / "jex-terminal-XXXXXX").string();
    std::vector<char> dir(templ.begin(), templ.end());
    dir.push_back(0);
    ASSERT_NE(mkdtemp(dir.data()), nullptr);

    int fd = -1;
    pid_t pid = forkpty(&fd, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir.data()) != 0) _exit(126);
        setenv("JEX_HOME", dir.data(), 1);      // the settings of this run only
        setenv("JEX_ANSWERS", "ok,ok,ok", 1);  // no jex.cfg here: its box is answered
        execl(JEX_BINARY, "jex", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string screen;
    readUntil(fd, screen, "jex> ", 0);
    // A line written before the line editor has taken the terminal (canonical mode off)
    // would be echoed by the terminal itself as well.
    waitForLineEditor(fd);
    std::size_t typedAt = screen.size();
    ASSERT_EQ(write(fd, "text shown once\r", 16), 16);
    readUntil(fd, screen, "jex> ", typedAt);
    ASSERT_EQ(write(fd, "quit\r", 5), 5);
    readUntil(fd, screen, "\x04", screen.size());  // to the end of the program
    close(fd);
    int status = 0;
    waitpid(pid, &status, 0);
    std::filesystem::remove_all(dir.data());

    const std::string session = screen.substr(typedAt);
    EXPECT_EQ(count(session, "text shown once"), 1u) << session;
    EXPECT_NE(session.find("\r\nshown once\r\n"), std::string::npos) << session;  // its output
}

// Text pasted into the command box stands after the prompt; what is typed follows it.
TEST(Terminal, APasteBeginsTheNextLine) {
    std::string templ = (std::filesystem::temp_directory_path() / "jex-terminal-XXXXXX").string();
    std::vector<char> dir(templ.begin(), templ.end());
    dir.push_back(0);
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    {
        std::FILE* f = std::fopen((std::string(dir.data()) + "/calc.add").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("text pasted\n", f);
        std::fclose(f);
    }

    int fd = -1;
    pid_t pid = forkpty(&fd, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir.data()) != 0) _exit(126);
        setenv("JEX_HOME", dir.data(), 1);
        // No jex.cfg: its box, then the editor's answers (copy the first line's text).
        setenv("JEX_ANSWERS", "ok,ok,ok,Select 1:1-1:12,Edit/Copy,Leave", 1);
        execl(JEX_BINARY, "jex", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string screen;
    readUntil(fd, screen, "jex> ", 0);
    waitForLineEditor(fd);
    ASSERT_EQ(write(fd, "editor calc.add\r", 16), 16);
    readUntil(fd, screen, "jex> ", screen.size());
    ASSERT_EQ(write(fd, "::Edit/Paste\r", 13), 13);
    std::size_t pasteAt = screen.size();
    readUntil(fd, screen, "jex> text pasted", pasteAt);
    ASSERT_EQ(write(fd, " and typed\r", 11), 11);
    readUntil(fd, screen, "jex> ", screen.find("jex> text pasted", pasteAt) + 5);
    ASSERT_EQ(write(fd, "quit\r", 5), 5);
    readUntil(fd, screen, "\x04", screen.size());
    close(fd);
    int status = 0;
    waitpid(pid, &status, 0);
    std::filesystem::remove_all(dir.data());

    const std::string session = screen.substr(pasteAt);
    EXPECT_NE(session.find("jex> text pasted and typed"), std::string::npos) << session;
    EXPECT_NE(session.find("\r\npasted and typed\r\n"), std::string::npos) << session;  // its output
}
