// The unit tests never touch the user's own settings: the program's home is a folder of the
// test run, made when the test program starts and removed when it ends.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace test_home {

namespace {

struct TestHome {
    std::filesystem::path dir;
    TestHome() {
        dir = std::filesystem::temp_directory_path() / ("jex_home_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        ::setenv("JEX_HOME", dir.c_str(), 1);
    }
    ~TestHome() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

const TestHome testHome;

}  // namespace

}  // namespace test_home
