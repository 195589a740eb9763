// The platform layer: what the windowed program got from the window system, replaced by a
// small interface with a console implementation (the terminal) and a scripted one (tests).
// The core never talks to the terminal, the window system or the OS clock directly.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace platform {

// Buttons of a message box.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };

// Answers of a message box or dialog.
enum class Answer { Ok, Cancel, Yes, No };

class Platform {
public:
    virtual ~Platform() = default;

    // The results window: one completed line (line breaks inside it show as further lines).
    virtual void appendResultsLine(const std::string& line) = 0;
    // Empty the results window.
    virtual void clearResults() = 0;
    // While a hold is on, the lines appended may reach the screen or file together when the
    // last hold ends (one write instead of one a line). Nothing is reordered or dropped, and
    // a box or dialog still shows everything appended before it first.
    virtual void holdResults() {}
    virtual void releaseResults() {}

    // A modal message box. The default answer is what a batch run takes.
    virtual Answer messageBox(const std::string& text, const std::string& caption,
                              Buttons buttons) = 0;

    // A dialog with named choices (the step dialog, for instance). Returns the index of the
    // chosen entry; `defaultChoice` is what a batch run takes.
    virtual int choose(const std::string& text, const std::string& caption,
                       const std::vector<std::string>& choices, int defaultChoice) = 0;

    // A line of text asked of the user (an input box); false when cancelled.
    virtual bool askText(const std::string& prompt, const std::string& caption,
                         std::string& answer) = 0;

    // A form shown for an answer: its console text is shown (never in the results), then
    // the next answer is taken (queued answers first, then the user's). False when there is
    // none: the form takes its default.
    virtual bool formAnswer(const std::string& formText, std::string& answer);
    // A notice that is no part of the results (the print spool's "[Print: ...]" lines).
    virtual void notice(const std::string& text);
    // True when an answer is queued for the next box, dialog or form.
    virtual bool answerQueued();
    // True when a person is there to answer (standard input is a terminal).
    virtual bool interactive();
};

// The active implementation (the console one until another is installed).
Platform& current();
void install(Platform* p);  // null puts the console implementation back

// Holds the results window of the active implementation for the lifetime of the object:
// for a command whose lines are all printed within moments of each other.
class ResultsHold {
public:
    ResultsHold() : held_(current()) { held_.holdResults(); }
    ~ResultsHold() { held_.releaseResults(); }
    ResultsHold(const ResultsHold&) = delete;
    ResultsHold& operator=(const ResultsHold&) = delete;

private:
    Platform& held_;
};

// The Escape key: set asynchronously (Ctrl-C on the console), read and cleared by the poll.
bool escapePressed();
void pressEscape();
void clearEscape();

// Floating-point status flags of the processor (never traps).
void maskFloatingPointExceptions();
bool floatingPointFault();   // divide by zero, overflow or invalid since the last clear
void clearFloatingPointStatus();

// Clock.
double secondsNow();           // wall-clock seconds since the epoch, with fractions
std::int64_t unixTimeNow();    // whole seconds since the epoch

// Answers queued for message boxes and dialogs, taken before asking anybody. Filled from
// JEX_ANSWERS (comma-separated: ok, cancel, yes, no, or a choice's name/number).
std::deque<std::string>& answerQueue();
void loadAnswerQueueFromEnvironment();

// Map an answer word to the answer of a box with these buttons; false if it does not fit.
bool parseAnswer(const std::string& word, Buttons buttons, Answer& out);
Answer defaultAnswer(Buttons buttons);

}  // namespace platform
