// The two dialogs that steer a running script: the Step dialog, shown before each command
// while step mode is on, and the continue-add-file dialog, shown after each graph a script
// draws. Both are models (their components' state and what each button does) driven here
// through the platform's choice and text boxes; a windowed view can sit on the same models.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The Step dialog ("Jex7 Script Control").
class TJex7ScriptControl {
public:
    static constexpr int resultStep = 0;
    static constexpr int resultContinue = 10;
    static constexpr int resultCancel = 27;

    const std::string caption = "Jex7 Script Control";
    std::string commandName;     // the CommandName label
    bool bufferVisible = false;  // the Buffer edit
    std::string bufferText;
    bool bufferChangedByUser = false;
    bool saveVisible = false;    // the Save button
    bool saveEnabled = false;
    int result = resultStep;     // kept between showings

    void setCommandName(const char* text);
    // The buttons. Step, Continue and Cancel close the dialog.
    void stepClick();
    void continueClick();
    void cancelClick();
    // Shows the unread rest of the current input line in Buffer.
    void viewBufferClick();
    // The user changed the text in Buffer.
    void bufferChange(const std::string& text);
    // Puts the Buffer text into the reader in place of the current line.
    void saveClick();

    // Shows the dialog modally: asks the platform for a choice (Step, Continue, Cancel,
    // View Buffer) until one closes it; closing it otherwise repeats the previous result.
    // View Buffer asks for the edited text; a changed text is saved at once. Returns result.
    int showModal();

private:
    void hideEdit();
};

extern TJex7ScriptControl Jex7ScriptControl;

// What the command loop calls before a command while stepping: sets the command name,
// shows the dialog and returns its result (0 Step, 10 Continue, 27 Cancel).
int runstepdialog(const char* word);

// The continue-add-file dialog ("Continue Add File?").
class TContAddFileDB {
public:
    enum Button { OKBtn, CancelBtn, MaxBtn, NormalBtn, SaveBtn, Shift1Btn, Shift2Btn, PrintBtn, ZipBtn1 };
    static constexpr int buttonCount = 9;

    const std::string caption = "Continue Add File?";
    int left = 0;
    int top = 0;

    // The caption of a button ("&Cont.", "S&top", ...).
    static const char* buttonCaption(Button b);
    // Places the dialog for a screen of the given width in pixels.
    void create(int screenWidth);
    // Performs a button's action; returns its modal result (1 go on, 2 stop, 4 graph moved,
    // 5 show again), or 0 when the dialog stays open (Print).
    int click(Button b);
    // Shows the dialog until a button closes it (Enter is Cont., Escape is Stop) and
    // returns the modal result; the position is remembered on closing.
    int showModal();

    // Actions of the graph windows and the main window, installed by those parts of the
    // program; an action that is not installed does nothing.
    std::function<void()> maximizeGraph, normalGraph, saveGraph, shiftToWindow1, shiftToWindow2,
        printGraph, zip;
    // Where the main window remembers the dialog's position (the CALeft and CATop settings).
    std::function<void(int left, int top)> rememberPosition;
};

extern TContAddFileDB ContAddFileDB;
