// Shared set-up of the reader tests: a fresh interpreter state, a scripted results window,
// and helpers that put a typed line, a script file or a replay list in front of the reader.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "core/printout.h"
#include "interp/percent_functions.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/scripted_platform.h"

// Puts an add file holding `content` in front of the reader as the add command does:
// keyboardInput 'n', no replay, an empty line buffer and the reader reset. `file` receives
// the file (the one it held before is closed); the caller closes it.
inline std::FILE* startscript(std::FILE*& file, const std::string& content) {
    if (file) std::fclose(file);
    file = std::tmpfile();
    std::fwrite(content.data(), 1, content.size(), file);
    std::rewind(file);
    keyboardInput = 'n';
    replayMode = 'n';
    commandBuffer[0] = 0;
    resetreader();
    lastChar = '\n';
    return file;
}

// What a %-function call gave: its status and result, the text from where it stopped
// reading, and what the results window received meanwhile.
struct PercentOutcome {
    int status;
    std::string result;
    std::string rest;
    std::string printed;
};

class ReaderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        resetinterpstate();
        clearPendingLine();
    }
    void TearDown() override {
        if (file_) std::fclose(file_);
        resetinterpstate();
        clearPendingLine();
    }

    // A typed line, as the command box puts it into the buffer.
    void typed(const std::string& line) {
        keyboardInput = 'y';
        replayMode = 'n';
        settypedline(line);
    }

    // An add file holding `content`; keyboardInput becomes 'n' as the runner sets it.
    std::FILE* script(const std::string& content) { return startscript(file_, content); }

    // A replay list of lines.
    void replay(std::vector<std::string> lines) {
        lines_ = std::move(lines);
        replayList = &lines_;
        replayCursor = 0;
        replayMode = 'y';
        keyboardInput = 'n';
        lastChar = '\n';
    }

    // All tokens up to and including the first 'f', 'e' or -1, as "class:text" pairs.
    std::vector<std::string> tokens(std::FILE* in, int dateLetters = 0, int bufSize = 78) {
        std::vector<std::string> out;
        std::vector<char> buf(bufSize);
        for (int guard = 0; guard < 1000; ++guard) {
            int cls = gettoken(buf.data(), in, dateLetters, bufSize);
            out.push_back(classname(cls) + ":" + buf.data());
            if (cls == 'f' || cls == 'e' || cls == -1) break;
        }
        return out;
    }

    static std::string classname(int cls) {
        if (cls == -1) return "abort";
        if (cls == '"') return "quoted";
        return std::string(1, static_cast<char>(cls));
    }

    // The results window's lines so far, joined with '\n' after each.
    std::string results() const { return scripted_.platform.text(); }
    std::vector<std::string>& boxes() { return scripted_.platform.boxes; }
    std::deque<std::string>& answers() { return scripted_.platform.answers; }

    using Outcome = PercentOutcome;
    // Calls the %-function whose name starts `text` (the text after the '%').
    Outcome call(std::string text) {
        const std::string before = results() + pendingLine();
        std::size_t pos = 0;
        std::string result;
        int st = percentfunction(result, text, pos);
        std::string after = results() + pendingLine();
        return {st, result, text.substr(pos), after.substr(before.size())};
    }

    void setArgs(std::vector<std::string> args) {
        args_ = std::move(args);
        scriptArgs = &args_;
    }

private:
    platform::ScopedScriptedPlatform scripted_;
    std::FILE* file_ = nullptr;
    std::vector<std::string> lines_;
    std::vector<std::string> args_;
};
