#include "platform/scripted_platform.h"

#include <strings.h>

#include <cstdlib>

namespace platform {

void ScriptedPlatform::appendResultsLine(const std::string& line) { lines.push_back(line); }

void ScriptedPlatform::clearResults() {
    lines.clear();
    ++clears;
}

Answer ScriptedPlatform::messageBox(const std::string& text, const std::string& caption,
                                    Buttons buttons) {
    boxes.push_back("[" + caption + "] " + text);
    Answer a = defaultAnswer(buttons);
    if (!answers.empty()) {
        std::string w = answers.front();
        answers.pop_front();
        if (!parseAnswer(w, buttons, a)) a = defaultAnswer(buttons);
    }
    return a;
}

int ScriptedPlatform::choose(const std::string& text, const std::string& caption,
                             const std::vector<std::string>& choices, int defaultChoice) {
    boxes.push_back("[" + caption + "] " + text);
    if (answers.empty()) return defaultChoice;
    std::string w = answers.front();
    answers.pop_front();
    for (size_t i = 0; i < choices.size(); ++i)
        if (strcasecmp(choices[i].c_str(), w.c_str()) == 0) return static_cast<int>(i);
    return defaultChoice;
}

bool ScriptedPlatform::askText(const std::string& prompt, const std::string& caption,
                               std::string& answer) {
    boxes.push_back("[" + caption + "] " + prompt);
    if (answers.empty()) return false;
    answer = answers.front();
    answers.pop_front();
    return answer != "cancel";
}

std::string ScriptedPlatform::text() const {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

bool ScriptedPlatform::formAnswer(const std::string& formText, std::string& answer) {
    forms.push_back(formText);
    if (answers.empty()) return false;
    answer = answers.front();
    answers.pop_front();
    return true;
}

void ScriptedPlatform::notice(const std::string& text) { notices.push_back(text); }

}  // namespace platform
