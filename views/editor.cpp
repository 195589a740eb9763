#include "views/editor.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "platform/files.h"
#include "platform/home.h"
#include "platform/platform.h"
#include "shell/dialogs.h"
#include "shell/paths.h"
#include "shell/recentfiles.h"
#include "shell/shell_commands.h"
#include "views/small_dialogs.h"

TEditForm* EditForm = nullptr;

namespace {

// Every window that exists, registered or not. A window that closes leaves this list; it is
// freed once nothing holds it (a handler of its own still running keeps it alive).
std::vector<std::shared_ptr<TEditForm>>& windows() {
    static std::vector<std::shared_ptr<TEditForm>> all;
    return all;
}

void release(TEditForm* w) {
    w->closed = true;
    auto& all = windows();
    for (auto it = all.begin(); it != all.end(); ++it)
        if (it->get() == w) {
            all.erase(it);
            break;
        }
}

// Clears the window's slot; false when it has none.
bool unregister(TEditForm* w) {
    for (TEditForm*& slot : Main.editors)
        if (slot == w) {
            slot = nullptr;
            --Main.editorCount;
            return true;
        }
    return false;
}

void addrecentfile(const std::string& path) {
    if (recentFiles) recentFiles->addFile(path);
}

// Processes' own directory goes back to where the commands work.
void backtoworkingdirectory() { platform::changeDirectory(workingDirectory); }

const char* const notFound = "\nWarning:  File \"%s\" not found.\n";

}  // namespace

bool readfilebytes(const std::string& path, std::string& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(st.st_size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    // A file that grew since it was measured is read to its end.
    char more[65536];
    for (std::size_t got; (got = std::fread(more, 1, sizeof more, f)) != 0;) bytes.append(more, got);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    if (ok) out = std::move(bytes);
    return ok;
}

double FileAge(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) / 1e9;
}

std::string ExpandFileName(const std::string& path) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(nativepath(path), error);
    if (error) return path;
    return full.lexically_normal().string();
}

TEditForm::TEditForm() {
    FormCreate();
}

TEditForm::~TEditForm() {
    if (EditForm == this) EditForm = nullptr;
}

void TEditForm::FormCreate() {
    const float f = static_cast<float>(platform::screenWidth) / 800.0f;
    bounds.height = static_cast<int>(288 * f);
    bounds.width = static_cast<int>(342 * f);
    bounds.top = 0;
    bounds.left = static_cast<int>(455 * f);
    FileTime = 0;
}

void TEditForm::applyLook() {
    font = editorFont;
    color = editorColor;
}

void TEditForm::bringForward() {
    FormActivate();
    windowState = WindowState::normal;
}

bool TEditForm::saveQuestion() {
    fitonscreen(bounds, platform::screenWidth, platform::screenHeight);
    const int answer = SaveQuFm.ask();
    if (answer == saveNo) return true;
    // Yes goes on only when the text was saved: a cancelled Save As keeps the window.
    return answer == saveYes && Save1Click();
}

std::vector<TEditForm*> registeredEditors() {
    std::vector<TEditForm*> out;
    for (TEditForm* w : Main.editors)
        if (w) out.push_back(w);
    return out;
}

TEditForm* findOpenEditor(const std::string& fullPath) {
    TEditForm* found = nullptr;
    for (TEditForm* w : registeredEditors())
        if (w->caption == fullPath) {
            found = w;
            break;
        }
    // Letter case is ignored only when no file has the path: two files whose names differ
    // in case alone are two files.
    if (!found && !platform::fileExists(fullPath))
        for (TEditForm* w : registeredEditors())
            if (samewords(w->caption, fullPath)) {
                found = w;
                break;
            }
    if (found) found->bringForward();
    return found;
}

std::shared_ptr<TEditForm> createEditorWindow() {
    auto w = std::make_shared<TEditForm>();
    windows().push_back(w);
    EditForm = w.get();
    w->bounds.width = static_cast<int>(Main.editorWidth);
    w->bounds.height = static_cast<int>(Main.editorHeight);
    w->bounds.top = static_cast<int>(Main.editorTop);
    w->bounds.left = static_cast<int>(Main.editorLeft);
    return w;
}

bool registerEditor(TEditForm* window) {
    for (TEditForm*& slot : Main.editors)
        if (!slot) {
            slot = window;
            ++Main.editorCount;
            return true;
        }
    // The window was never in the table: it goes without its close event, and nobody
    // touches it afterwards.
    release(window);
    printout("\nError:  cannot have more than %d editors open.\n", Main.editorCapacity);
    return false;
}

bool savecommandfile(const std::string& fullPath, const std::string& shownName) {
    if (saveOn != 'y' || !saveFile) return false;
    if (ExpandFileName(saveFilePath) != fullPath) return false;
    printout("\nWarning:  File \"%s\" is open with the save command.  \nPlease close with \"save off\" "
             "before opening in the editor.\n",
             shownName.c_str());
    return true;
}

int editorcmd(std::FILE* in) {
    char word[78];
    const int cls = gettoken(word, in, 0, sizeof word);
    if (cls != 'a') {
        auto w = createEditorWindow();
        w->applyLook();
        w->Editor.load("");
        w->caption = ExpandFileName("Untitled");
        if (!registerEditor(w.get())) return -1;
        w->show();
        return 0;
    }
    const std::string typed = word;
    const bool exists = platform::fileExists(nativepath(typed));
    const std::string full = ExpandFileName(typed);
    if (findOpenEditor(full)) {
        printout("File %s already open.\n", full.c_str());
        return 0;
    }
    auto w = createEditorWindow();
    int status = 0;
    bool refused = false;
    if (exists && savecommandfile(full, typed)) {
        refused = true;
        status = -1;
    } else if (exists) {
        std::string bytes;
        if (readfilebytes(full, bytes)) {
            w->Editor.load(std::move(bytes));
            w->runEnabled = true;
        }
    }
    if (!refused) {
        w->applyLook();
        w->caption = full;
        // The window keeps the full path, so that a later cd cannot make Save write another
        // file of the same name.
        w->PathName = full;
        w->Editor.setCaret(0);
        w->Editor.setModified(false);
        addrecentfile(typed);
    }
    if (!registerEditor(w.get())) return -1;
    w->FileTime = refused ? 0 : FileAge(full);
    w->show();
    return status;
}

bool TEditForm::openFile(const std::string& path) {
    auto keep = shared_from_this();
    const std::string full = ExpandFileName(path);
    if (findOpenEditor(full)) {
        printout("File %s already open.\n", path.c_str());
        // This window was never registered: it goes without its close event.
        release(this);
        return false;
    }
    if (Editor.modified() && !saveQuestion()) return true;
    if (savecommandfile(full, path)) {
        // not loaded
    } else if (std::string bytes; !readfilebytes(full, bytes)) {
        printout(notFound, path.c_str());
    } else {
        PathName = full;
        Editor.load(std::move(bytes));
        runEnabled = true;
        caption = PathName;
        backtoworkingdirectory();
        addrecentfile(path);
        FileTime = FileAge(PathName);
    }
    if (!registerEditor(this)) return false;
    applyLook();
    return true;
}

void TEditForm::New1Click() {
    if (Editor.modified() && !saveQuestion()) return;
    Editor.load("");
    PathName = caption = "Untitled";
    addrecentfile("");
    applyLook();
}

void TEditForm::Open1Click() {
    auto keep = shared_from_this();
    const std::string selected = trimcontrols(Editor.selectedText());
    if (!selected.empty()) {
        std::string name = selected;
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
        if (findOpenEditor(ExpandFileName(name))) return;
        auto w = createEditorWindow();
        w->applyLook();
        w->Editor.setModified(false);
        if (w->openFile(name)) {
            w->applyLook();
            w->show();
        }
        return;
    }
    if (Editor.modified() && !saveQuestion()) return;
    std::string chosen;
    if (!filedialog("Open", "", chosen) || chosen.empty()) {
        printout("That file does not exist.\n");
        return;
    }
    const std::string full = ExpandFileName(chosen);
    for (TEditForm* w : registeredEditors())
        if (samewords(w->caption, full)) {
            w->bringForward();
            printout("File %s already open.\n", chosen.c_str());
            return;
        }
    if (savecommandfile(full, chosen)) return;
    std::string bytes;
    if (!readfilebytes(full, bytes)) {
        printout(notFound, chosen.c_str());
        return;
    }
    PathName = full;
    Editor.load(std::move(bytes));
    runEnabled = true;
    caption = PathName;
    backtoworkingdirectory();
    applyLook();
    addrecentfile(PathName);
    FileTime = FileAge(PathName);
}

namespace {

// Writes the text whole beside the file and renames it over the file. A file that exists
// but may not be written is refused first (renaming over it would succeed where writing
// it must not): "Errror:  access denied.  Cannot save file.\n" and the file-creation error.
bool writetext(const std::string& path, const std::string& bytes) {
    if (platform::fileExists(path) && ::access(path.c_str(), W_OK) != 0) {
        const int error = errno;
        printout("Errror:  access denied.  Cannot save file.\n");
        platform::current().messageBox("Cannot create file \"" + path + "\". " + std::strerror(error), "Error",
                                       platform::Buttons::Ok);
        return false;
    }
    platform::ReplacingFile file(path);
    std::FILE* f = file.open("wb");
    bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int error = errno;
    ok = ok && file.commit();
    if (!ok) {
        platform::current().messageBox("Cannot create file \"" + path + "\". " + std::strerror(error ? error : EIO),
                                       "Error", platform::Buttons::Ok);
        return false;
    }
    return true;
}

}  // namespace

bool TEditForm::Save1Click() {
    if (PathName == "Untitled") return SaveAs1Click();
    const bool ok = writetext(PathName, Editor.bytes());
    if (ok) {
        Editor.setModified(false);
        addrecentfile(PathName);
        FileTime = FileAge(PathName);
        caption = PathName;
    }
    backtoworkingdirectory();
    return ok;
}

bool TEditForm::SaveAs1Click() {
    std::string chosen;
    if (!filedialog("Save As", PathName, chosen) || chosen.empty()) {
        backtoworkingdirectory();
        return false;
    }
    const std::string old = PathName;
    PathName = ExpandFileName(chosen);
    const bool ok = Save1Click();
    if (ok) caption = PathName;
    else PathName = old;
    backtoworkingdirectory();
    return ok;
}

void TEditForm::SaveandClose1Click() {
    auto keep = shared_from_this();
    if (!writetext(PathName, Editor.bytes())) return;
    Editor.setModified(false);
    addrecentfile(PathName);
    FormClose();
}

void TEditForm::Close1Click() {
    auto keep = shared_from_this();
    addrecentfile(PathName);
    FormClose();
}

bool TEditForm::FormClose() {
    auto keep = shared_from_this();
    addrecentfile("");
    if (Editor.modified() && !saveQuestion()) return false;
    if (!unregister(this)) printout("\nError:  bug in Editors FormClose routine.  Please report it.\n");
    release(this);
    return true;
}

void TEditForm::SaveWindowPosition1Click() {
    Main.editorWidth = static_cast<std::uint32_t>(bounds.width);
    Main.editorHeight = static_cast<std::uint32_t>(bounds.height);
    Main.editorTop = static_cast<std::uint32_t>(bounds.top);
    Main.editorLeft = static_cast<std::uint32_t>(bounds.left);
}

void TEditForm::FormActivate() {
    auto keep = shared_from_this();
    const double now = FileAge(PathName);
    if (now == 0 || FileTime == 0 || !(FileTime < now)) return;
    if (pausebox("Warning:  File was changed in another application.\nDiscard editor contents and load newer file?",
                 "Warning") == 27) {
        FileTime = now;
        return;
    }
    const std::size_t caret = Editor.selStart();
    Editor.load("");
    if (savecommandfile(ExpandFileName(PathName), PathName)) return;
    std::string bytes;
    if (!readfilebytes(PathName, bytes)) {
        printout(notFound, PathName.c_str());
        return;
    }
    Editor.load(std::move(bytes));
    Editor.setCaret(caret);
    FileTime = FileAge(PathName);
}

int closeeditorsforshutdown() {
    for (TEditForm* w : registeredEditors()) {
        auto keep = w->shared_from_this();
        w->FormClose();
        if (std::find(Main.editors.begin(), Main.editors.end(), w) != Main.editors.end()) return 27;
    }
    return 0;
}

void discardeditors() {
    for (TEditForm* w : registeredEditors()) {
        unregister(w);
        release(w);
    }
}
