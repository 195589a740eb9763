// Helpers of the scaling tests: the results window split into the lines the user sees, and
// a platform that keeps the numerical checks firing so that a test can cancel at any of them.
#pragma once

#include <cfenv>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/scripted_platform.h"

namespace scalingtest {

// The lines of `text`, one entry per '\n'-terminated line (an unterminated tail is dropped).
inline std::vector<std::string> splitlines(const std::string& text) {
    std::vector<std::string> out;
    std::string line;
    for (char ch : text) {
        if (ch == '\n') {
            out.push_back(line);
            line.clear();
        } else {
            line += ch;
        }
    }
    return out;
}

// A platform that raises the invalid-operation flag again after answering each box, so that
// every later numerical check fires too: the test decides at which check to cancel.
class FlagRaisingPlatform final : public platform::Platform {
public:
    platform::ScriptedPlatform inner;
    void appendResultsLine(const std::string& line) override { inner.appendResultsLine(line); }
    void clearResults() override { inner.clearResults(); }
    platform::Answer messageBox(const std::string& text, const std::string& caption,
                                platform::Buttons buttons) override {
        platform::Answer a = inner.messageBox(text, caption, buttons);
        std::feraiseexcept(FE_INVALID);
        return a;
    }
    int choose(const std::string& t, const std::string& c, const std::vector<std::string>& ch,
               int d) override {
        return inner.choose(t, c, ch, d);
    }
    bool askText(const std::string& p, const std::string& c, std::string& a) override {
        return inner.askText(p, c, a);
    }
};

}  // namespace scalingtest
