// The main window as the command language sees it: the results window's font and colour,
// the editor font and colour shared by the editor windows, the command box's automatic
// completion, and the actions of the window that commands call (clear the results window,
// the command cache items). On the console the results window is the platform's results
// sink; fonts and colours are kept as settings that the font commands and the %-functions
// read and set.
#pragma once

#include <string>

// A window font: face name, size in points, colour (32-bit signed colour value: red in the
// low byte, then green, then blue), character set number and the four style flags.
struct WindowFont {
    std::string name;
    int size = 0;
    int color = 0;
    int charset = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
};

extern WindowFont mainFont;     // font of the results window
extern WindowFont editorFont;   // font of the editor windows
extern int mainColor;           // background colour of the results window
extern int editorColor;         // background colour of the editor windows
extern bool mainAutoFontSize;   // the results window chooses its font size itself
extern bool autoComplete;       // the command box completes typed commands

class TMain {
public:
    // Start-up settings of the main window: the pending results line is emptied,
    // floating-point exceptions are masked, the random generator is seeded from the clock,
    // the vector index error flag is cleared, and the window's fonts, colours and switches,
    // the echo/copy switches and the command cache get their start-up values; the command
    // loop gets its shut-down and step dialog. (The bank globals belong to the bank slots,
    // the reader's to resetinterpstate.)
    void FormCreate();

    // Empty the results window (clear, cls).
    void Clearresults1Click();
    // Repaint the results window (the console has nothing to repaint).
    void repaintResults();

    // The command cache: print it, empty it, replay it as a script.
    void DisplayPreviousCommands1Click();
    void ClearCache1Click();
    // Returns the status of the replay run; -1 when a replay is already running (a cached
    // commandcache replay would otherwise replay the cache without end).
    int ReplayCachedCommands1Click();

    // Remembered position of the continue-add-file dialog.
    int caLeft = 0;
    int caTop = 0;
    // File name of the configuration-file dialog (set by wsreset).
    std::string configFileName;
};

extern TMain Main;

// Start-up of the main window, called once by the front end before any command runs.
void mainformcreate();
