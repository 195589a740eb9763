// Running bank command handlers on typed lines and on script input.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "banks/commands.h"
#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "series/series_state.h"
#include "tests/banks/bank_test_util.h"

namespace banktest {

// A workspace ws (1990, month 1, 100 observations) in a fresh directory, the reader reset.
class BankCmdTest : public BankDirTest {
protected:
    void SetUp() override {
        BankDirTest::SetUp();
        resetinterpstate();
        addPrint = 0;
        resetregressstate();
        setWorkspaceBank(new JexBank("ws", "New", 1990, 100, 1));
        clearOutput();
    }
    void TearDown() override {
        if (script_) std::fclose(script_);
        script_ = nullptr;
        resetinterpstate();
        resetregressstate();
        BankDirTest::TearDown();
    }
    // The handler on a typed line (the text after the command word).
    template <class H>
    int typed(H handler, const std::string& line) {
        settypedline(line);
        return handler(nullptr);
    }
    template <class H>
    int typed(H handler, char mode, const std::string& line) {
        settypedline(line);
        return handler(nullptr, mode);
    }
    // The handler on script text (what follows the command word, then further lines).
    std::FILE* openscript(const std::string& text) {
        if (script_) std::fclose(script_);
        writeText("input.add", text);
        script_ = std::fopen("input.add", "r");
        keyboardInput = 'n';
        replayMode = 'n';
        lastChar = '\n';
        ungotChar = 0;
        tokenPushedBack = 0;
        return script_;
    }
    template <class H>
    int script(H handler, const std::string& text) {
        return handler(openscript(text));
    }
    template <class H>
    int script(H handler, char mode, const std::string& text) {
        return handler(openscript(text), mode);
    }
    // The next token left in the script (what the command loop would read next).
    std::string nexttoken() {
        char token[80];
        int cls = gettoken(token, script_, 0, 78);
        return cls == 'e' ? std::string("<end>") : cls == 'f' ? std::string("<eol>") : token;
    }
    // A workspace series (the whole array), or an empty vector when it is absent.
    std::vector<float> ws(const char* name) {
        std::vector<float> v(1999);
        if (workspaceBank->getser(name, v.data(), -1) != 0) return {};
        return v;
    }

    std::FILE* script_ = nullptr;
};

// The eleven entries of a jex.cfg.
inline std::string jexcfg(const std::string& bank = "data.bnk",
                          const std::string& dates = "1991 2000 2010",
                          const std::string& base = "1990", const std::string& month = "1",
                          const std::string& obs = "100", const std::string& add = "") {
    return "Name of workspace; ws.bnk\n"
           "Name of workspace index; ws.ind\n"
           "Name of default bank; " + bank + "\n"
           "Name of default bank index; data.ind\n"
           "Path to help files; c:\\jex\\help\n"
           "Reserved for future use; x\n"
           "Default regression limits; " + dates + "\n"
           "Default base year of workspace file; " + base + "\n"
           "First month covered; " + month + "\n"
           "Default maximum number of observations per series in workspace; " + obs + "\n"
           "Add file to run at startup; " + add + "\n";
}

// No workspace yet, the dates of the series and regression layers at their start values and
// "wsreset" as the typed line, as before the start-up configuration is read.
class StartupTest : public BankCmdTest {
protected:
    void SetUp() override {
        BankCmdTest::SetUp();
        delete workspaceBank;
        setWorkspaceBank(nullptr);
        resetseriesstate();
        resetregressstate();
        settypedline("wsreset");
    }
    void TearDown() override {
        resetseriesstate();
        resetregressstate();
        BankCmdTest::TearDown();
    }
};

}  // namespace banktest
