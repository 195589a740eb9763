// The scripted implementation for tests: records the results window's lines and answers
// message boxes and dialogs from a queue (the box's default when the queue is empty).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

class ScriptedPlatform final : public Platform {
public:
    std::vector<std::string> lines;          // every line the results window received
    std::vector<std::string> boxes;          // "[caption] text" of every box shown
    std::deque<std::string> answers;         // answers to give, in order
    int clears = 0;

    void appendResultsLine(const std::string& line) override;
    void clearResults() override;
    Answer messageBox(const std::string& text, const std::string& caption,
                      Buttons buttons) override;
    int choose(const std::string& text, const std::string& caption,
               const std::vector<std::string>& choices, int defaultChoice) override;
    bool askText(const std::string& prompt, const std::string& caption,
                 std::string& answer) override;
    bool formAnswer(const std::string& formText, std::string& answer) override;
    void notice(const std::string& text) override;
    bool answerQueued() override { return !answers.empty(); }

    std::vector<std::string> forms;          // the console text of every form shown
    std::vector<std::string> notices;        // every notice given

    // All lines joined with '\n' after each.
    std::string text() const;
};

// Installs a scripted platform for the lifetime of the object.
class ScopedScriptedPlatform {
public:
    ScopedScriptedPlatform() { install(&platform); }
    ~ScopedScriptedPlatform() { install(nullptr); }
    ScriptedPlatform platform;
};

}  // namespace platform
