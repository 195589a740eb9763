// Command lines run through the system's command interpreter: where their standard
// streams go in each mode.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "platform/process.h"

namespace process_test {

namespace {

// Puts a pipe holding `text` in place of our standard input for the life of the object.
class StandardInputFromPipe {
public:
    explicit StandardInputFromPipe(const std::string& text) {
        saved_ = dup(STDIN_FILENO);
        int fds[2];
        if (pipe(fds) != 0) return;
        ok_ = write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        close(fds[1]);
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
    }
    ~StandardInputFromPipe() {
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }
    StandardInputFromPipe(const StandardInputFromPipe&) = delete;
    StandardInputFromPipe& operator=(const StandardInputFromPipe&) = delete;
    bool ok() const { return ok_; }
    // What is still unread of the pipe.
    std::string rest() const {
        std::string out;
        char buf[256];
        ssize_t n;
        while ((n = read(STDIN_FILENO, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
        return out;
    }

private:
    int saved_ = -1;
    bool ok_ = false;
};

}  // namespace

// A command never reads our standard input, which may hold the commands still to come:
// captured, it reads an empty input; discarded, its output and errors go nowhere.
TEST(RunShell, TheCommandNeverReadsOurInput) {
    struct Case {
        platform::ShellStreams streams;
        const char* command;
        const char* output;
    };
    const Case cases[] = {
        {platform::ShellStreams::capture, "cat; echo done; echo problem >&2", "done\nproblem\n"},
        {platform::ShellStreams::discard, "cat; echo done; echo problem >&2", ""},
    };
    for (const Case& c : cases) {
        StandardInputFromPipe input("text line 1\ntext line 2\n");
        ASSERT_TRUE(input.ok());
        platform::ShellResult r = platform::runShell(c.command, c.streams);
        EXPECT_TRUE(r.started) << c.command;
        EXPECT_EQ(r.exitStatus, 0) << c.command;
        EXPECT_EQ(r.output, c.output) << c.command;
        EXPECT_EQ(input.rest(), "text line 1\ntext line 2\n") << c.command;
    }
}

}  // namespace process_test
