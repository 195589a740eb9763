#include "interp/stepdialog.h"

#include <cstring>

#include "interp/state.h"
#include "platform/platform.h"

TJex7ScriptControl Jex7ScriptControl;
TContAddFileDB ContAddFileDB;

// ---------------------------------------------------------------- Step dialog

void TJex7ScriptControl::setCommandName(const char* text) { commandName = text ? text : ""; }

void TJex7ScriptControl::hideEdit() {
    saveVisible = false;
    bufferVisible = false;
}

void TJex7ScriptControl::stepClick() {
    result = resultStep;
    hideEdit();
}

void TJex7ScriptControl::continueClick() {
    result = resultContinue;
    hideEdit();
}

void TJex7ScriptControl::cancelClick() {
    result = resultCancel;
    hideEdit();
}

void TJex7ScriptControl::viewBufferClick() {
    bufferVisible = true;
    bufferText = readPointer ? readPointer : "";
    bufferChangedByUser = false;
    saveVisible = false;
}

void TJex7ScriptControl::bufferChange(const std::string& text) {
    bufferText = text;
    bufferChangedByUser = true;
    saveVisible = true;
    saveEnabled = true;
}

void TJex7ScriptControl::saveClick() {
    std::string text = bufferText;
    // The text replaces the whole line; it ends with a line end so that its last token
    // is not joined to the next line.
    if (text.size() > static_cast<std::size_t>(commandBufferSize - 2))
        text.resize(commandBufferSize - 2);
    if (text.empty() || text.back() != '\n') text += '\n';
    std::memcpy(commandBuffer, text.c_str(), text.size() + 1);
    readPointer = commandBuffer;
    ungotChar = 0;
    lastChar = static_cast<unsigned char>(commandBuffer[0]);
    saveEnabled = false;
}

int TJex7ScriptControl::showModal() {
    const std::vector<std::string> choices = {"Step", "Continue", "Cancel", "View Buffer"};
    for (;;) {
        int choice = platform::current().choose("Jex7 Command: " + commandName, caption, choices, -1);
        switch (choice) {
        case 0:
            stepClick();
            return result;
        case 1:
            continueClick();
            return result;
        case 2:
            cancelClick();
            return result;
        case 3: {
            viewBufferClick();
            std::string edited = bufferText;
            if (platform::current().askText("Input buffer:", caption, edited) && edited != bufferText) {
                bufferChange(edited);
                saveClick();
            }
            break;
        }
        default:
            // Closed without a button: the previous choice stands.
            hideEdit();
            return result;
        }
    }
}

int runstepdialog(const char* word) {
    Jex7ScriptControl.setCommandName(word);
    return Jex7ScriptControl.showModal();
}

// ---------------------------------------------------------------- continue-add-file dialog

const char* TContAddFileDB::buttonCaption(Button b) {
    static const char* const captions[buttonCount] = {"&Cont.",   "S&top",   "&Max",
                                                      "&Normal",  "&Save",   "Shift&1",
                                                      "Shift&2",  "&Print",  "&Zip"};
    return captions[b];
}

void TContAddFileDB::create(int screenWidth) {
    top = static_cast<int>(190.0 * screenWidth / 800.0);
    left = static_cast<int>(410.0 * screenWidth / 800.0);
}

int TContAddFileDB::click(Button b) {
    auto run = [](const std::function<void()>& action) {
        if (action) action();
    };
    switch (b) {
    case OKBtn: return 1;
    case CancelBtn: return 2;
    case MaxBtn: run(maximizeGraph); return 5;
    case NormalBtn: run(normalGraph); return 5;
    case SaveBtn: run(saveGraph); return 1;
    case Shift1Btn: run(shiftToWindow1); return 4;
    case Shift2Btn: run(shiftToWindow2); return 4;
    case PrintBtn: run(printGraph); return 0;
    case ZipBtn1: {
        // The zip command must read no argument from the script.
        char savedKeyboard = keyboardInput;
        const std::vector<std::string>* savedList = replayList;
        keyboardInput = 'n';
        replayList = nullptr;
        run(zip);
        keyboardInput = savedKeyboard;
        replayList = savedList;
        return 1;
    }
    }
    return 0;
}

int TContAddFileDB::showModal() {
    std::vector<std::string> choices;
    for (int i = 0; i < buttonCount; ++i) {
        std::string c;
        for (const char* p = buttonCaption(static_cast<Button>(i)); *p; ++p)
            if (*p != '&') c += *p;
        choices.push_back(c);
    }
    int modal = 0;
    while (modal == 0) {
        int choice = platform::current().choose("Continue Add File?", caption, choices, OKBtn);
        if (choice < 0 || choice >= buttonCount) choice = OKBtn;
        modal = click(static_cast<Button>(choice));
    }
    if (rememberPosition) rememberPosition(left, top);
    return modal;
}
