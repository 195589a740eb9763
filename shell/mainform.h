// The main window as the command language sees it: the results window's font and colour,
// the editor font and colour shared by the editor windows, the command box's automatic
// completion, and the actions of the window that commands call (clear the results window,
// the command cache items). On the console the results window is the platform's results
// sink; fonts and colours are kept as settings that the font commands and the %-functions
// read and set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// Settings of other windows that the settings file keeps from one run to the next.
extern short showDecimals;              // default decimals of the Vam data grid
extern std::string lastModelRun, lastModelHistName, lastModelSimName, lastTableName,
    macroModelStartDate, macroModelStopDate, macroModelResultsName, macroModelFixFile,
    exogFileName;

// A window's size and place on the screen.
struct Bounds {
    int width = 0;
    int height = 0;
    int top = 0;
    int left = 0;
};

// Window states of a form.
enum class WindowState { normal, minimized, maximized };

class TEditForm;

// Sizes of forms that the console does not draw but whose placement rules need them.
constexpr int pauseBoxHeight = 120;
constexpr int pauseBoxWidth = 320;

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

    // The command box between lines: text put into it (a paste), its selection, and whether
    // it has the focus. On the console it always has the focus, and what it holds begins
    // the next line read.
    struct CommandBox {
        std::string text;
        std::size_t selStart = 0, selLength = 0;
        bool focused = true;
    };
    CommandBox cmdBox;
    // The selection of the results window (none on the console).
    std::string resultsSelection;
    // Edit, Cut / Copy / Paste (and the results window's pop-up items): the command box's
    // selection when it has the focus, else the results window's.
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    // What the command box holds ahead of the next line; the box is emptied.
    std::string takeCommandBoxText();
    // Repaint the results window (the console has nothing to repaint).
    void repaintResults();

    // The command cache: print it, empty it, replay it as a script.
    void DisplayPreviousCommands1Click();
    void ClearCache1Click();
    // Returns the status of the replay run; -1 when a replay is already running (a cached
    // commandcache replay would otherwise replay the cache without end).
    int ReplayCachedCommands1Click();

    // Remembered position of the continue-add-file dialog (pauseBoxLeft, pauseBoxTop).
    int caLeft = 0;
    int caTop = 0;
    // File name of the configuration-file dialog OpenJexDlg (the settings file's LastPath;
    // set by the start-directory dialog and by wsreset).
    std::string configFileName = "jex.cfg";

    // The main window's placement and the command box's position (true: at the bottom).
    Bounds bounds;
    bool panelTop = false;
    // Text of the execute box (the add file that Execute runs).
    std::string executeBoxText;
    // The graph window's placement, its state, and the main window's remembered copy.
    Bounds graphForm;
    WindowState graphFormState = WindowState::normal;
    int graphWidth = 0, graphHeight = -999, graphTop = -999, graphLeft = -999;
    // The add-file pause box's own place.
    int pauseBoxTop = 0, pauseBoxLeft = 0;
    // Size and place given to new editor windows.
    std::uint32_t editorWidth = 0, editorHeight = 0, editorTop = 0, editorLeft = 0;
    // The open editor windows: a slot per window, null when free; the editors register and
    // unregister themselves. windowEditorItems: the editor rows of the last Window menu.
    static constexpr int editorCapacity = 100;
    int editorCount = 0;
    std::vector<TEditForm*> editors = std::vector<TEditForm*>(editorCapacity);
    int windowEditorItems = 0;
    // File, Open Editor (and the Editor item and the tool button): a new empty editor.
    void Editor1Click();
    // Opens a file in an editor, or brings forward the editor that has it ("File %s already
    // open.\n"); the recent-files items call it.
    void openEditorFile(const std::string& path);
    // The Window menu: rebuilt when it opens; its Close All items.
    void MainWindowClick();
    void CloseAllEditors1Click();
    void CloseAllOther1Click();
    // The font of graph text: graphs take its face and colour.
    WindowFont graphFont{"Courier", 8, 0, 1};
    // Model-run interface: 0 "Tiny Model Style", 1 "Norvane Style".
    int modelInterface = 0;
    // Full path of the help file.
    std::string helpFilePath;
    // The command box's drop-down history, newest first (at most 29 entries between commands).
    std::vector<std::string> history;

    // Records a line entered in the command box in the drop-down history (trimmed
    // duplicates go, the line as typed becomes the first entry), as Enter does before the
    // command runs; trimhistory drops a 30th entry after it has run.
    void rememberline(const std::string& line);
    void trimhistory();
    // Writes the drop-down history to HIST.DAT in the program's home, newest first;
    // "\nWarning:  Cannot write %s.\n" when that fails.
    void savehistory() const;
    // The end of the main window: the settings file and the history are written.
    void FormDestroy();
};

// The longest line the command box takes (what is typed beyond it is dropped).
constexpr std::size_t commandBoxMaxText = 2998;
// The most a paste puts into the command box, and the most a copy of the results takes.
constexpr std::size_t commandBoxMaxPaste = 998;
constexpr std::size_t resultsMaxCopy = 16383;
// The most entries the drop-down history keeps between commands.
constexpr std::size_t historyEntries = 29;

extern TMain Main;

// Start-up of the main window, called once by the front end before any command runs.
void mainformcreate();
