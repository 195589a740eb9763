#include "shell/configdialog.h"

#include <cstring>

#include "banks/startup.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "platform/home.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "shell/mainform.h"
#include "shell/paths.h"

namespace {

constexpr std::size_t addfileLimit = 100;

const char* const helpText =
    "Workspace Bank: the workspace bank file; the \"bnk\" extension is required, and only "
    "standard banks are allowed there.\n"
    "Default Bank: the bank assigned to slot a; any bank format.\n"
    "Path to help files: where the help file is.\n"
    "Default Regression Limits: start and end of estimation and the forecast horizon, written "
    "as 2005, 2005.1 or 2005.001 for annual, quarterly or monthly data.\n"
    "Default Base Year: the first year of the workspace.\n"
    "First Month: the first month covered, usually 1.\n"
    "Default Max Obs: the observations per workspace series (default 600; set it somewhat "
    "above the longest span).\n"
    "File to run at Start: must begin with the add command, as in \"add init.add\".";

// The tokenizer reads from the file while the object lives.
struct FileReading {
    char keyboard = keyboardInput, replay = replayMode;
    const std::vector<std::string>* list = replayList;
    int print = addPrint;
    FileReading() {
        keyboardInput = 'n';
        replayMode = 'n';
        replayList = nullptr;
        addPrint = 0;
        lastChar = '\n';
        ungotChar = 0;
        tokenPushedBack = 0;
    }
    ~FileReading() {
        keyboardInput = keyboard;
        replayMode = replay;
        replayList = list;
        addPrint = print;  // the value it had, not always 1
    }
};

std::string cutlineends(const char* value) {
    std::string s(value);
    std::string out;
    for (char c : s)
        if (c != '\n' && c != '\r') out += c;
    return out;
}

}  // namespace

Tjexconfig3::Tjexconfig3() : Form("jexconfig3") {
    auto onchange = [this] { changed(); };
    field("wb", "Workspace Bank", "ws.bnk").onChange = onchange;
    field("db", "Default Bank", "").onChange = onchange;
    field("rd1", "Default Regression Limits,", "1972").onChange = onchange;
    field("rd2", "fdates, tdates, and gdates.", "2005").onChange = onchange;
    field("rd3", "", "2025").onChange = onchange;
    field("dby", "Default Base Year", "1972").onChange = onchange;
    field("month", "First Month", "1").onChange = onchange;
    field("obs", "Default Max Obs", "600").onChange = onchange;
    field("addfile", "File to run at Start (e.g. \"add init.add\" )", "").onChange = onchange;
    Button& ok = button("OKButton", "&OK");
    ok.isDefault = true;
    ok.onClick = [this] { OKButtonClick(); };
    Button& save = button("SaveButton", "&Save");
    save.enabled = false;
    save.onClick = [this] { SaveButtonClick(); };
    Button& cancel = button("CancelButton", "&Cancel");
    cancel.isCancel = true;
    cancel.onClick = [this] { FormClose(); };
    button("LoadButton", "&Browse").onClick = [this] { LoadButtonClick(); };
    button("Button1", "&Default Values").onClick = [this] { Button1Click(); };
    button("Button2", "&Help").onClick = [this] { Button2Click(); };
    wbi = "";
    dbi = "";
    path = "";
    jexOpenDlgName = "jex.cfg";
}

void Tjexconfig3::changed() { setsave(true); }

void Tjexconfig3::setsave(bool enabled) { findButton("SaveButton")->enabled = enabled; }

void Tjexconfig3::activate() {
    if (configLoaded) return;
    // The remembered name: a configuration file names its directory, anything else is the
    // directory itself.
    const std::string remembered = Main.configFileName;
    const std::string file = filenamepart(remembered);
    std::string target = remembered;
    if (!file.empty() && file.find(".cfg") != std::string::npos) {
        target = directorypart(nativepath(remembered));
        if (target.empty()) target = ".";
    }
    if (!platform::directoryExists(nativepath(target)) || !platform::changeDirectory(nativepath(target)))
        printout("\nWarning:  Cannot change directory (to \"%s\").\n", remembered.c_str());
    pwd = platform::currentDirectory();
    if (!platform::fileExists("jex.cfg")) {
        printout("\nWarning:  Cannot open file (\"%s\").\n", remembered.c_str());
        loadConfigFile(nullptr);
    } else {
        std::FILE* f = std::fopen("jex.cfg", "rb");
        if (!f) return;
        loadConfigFile(f);
        setsave(false);
    }
    configLoaded = true;
}

void Tjexconfig3::loadConfigFile(std::FILE* file) {
    std::string values[12];
    const char* defaults[12] = {"ws.bnk", "ws.ind", "", "", "c:\\kvt", "x",
                                "1972", "2020", "2030", "1972", "1", "600"};
    for (int i = 0; i < 12; ++i) values[i] = defaults[i];
    std::string addfile;
    if (file) {
        ReaderPositionSaver keep;
        FileReading reading;
        char value[100] = "";
        // Lines 1 to 6: wb, wbi, db, dbi, path and the reserved entry.
        for (int i = 0; i < 6; ++i)
            if (readcfgentry(value, file) == 0) values[i] = cutlineends(value);
        // Line 7: one, two or three regression limits.
        if (readcfgentry(value, file) == 0) {
            values[6] = cutlineends(value);
            char token[90];
            int cls = gettoken(token, file, 0, 90);
            if (cls == 'n') {
                values[7] = token;
                cls = gettoken(token, file, 0, 90);
                values[8] = cls == 'n' ? std::string(token) : values[7];
            } else {
                values[7] = values[8] = values[6];
            }
            if (cls == 'f' || cls == 'e') ungettoken();
        }
        // Lines 8 to 10.
        for (int i = 9; i < 12; ++i)
            if (readcfgentry(value, file) == 0) values[i] = cutlineends(value);
        // Line 11: the first token, then the rest of its line.
        if (readcfgentry(value, file) == 0 && value[0]) {
            addfile = cutlineends(value);
            std::string rest;
            int c = chop(file);
            bool comment = false;
            while (c != '\n' && c != '\r' && c != 0 && c != -1 && c != 18 && c != 27) {
                if (c == '#') {
                    comment = true;
                    break;
                }
                if (rest.size() == addfileLimit) {
                    printout("\nError:  in \"add startup file\" line of configuration file.\n");
                    printout("Entry must not exceed 100 characters.\n");
                    break;
                }
                rest += static_cast<char>(c);
                c = chop(file);
            }
            if (comment) skipline(file);
            addfile += rest;
            if (addfile.size() > addfileLimit) addfile.resize(addfileLimit);
        }
    }
    setText("wb", values[0]);
    wbi = values[1];
    setText("db", values[2]);
    dbi = values[3];
    path = values[4];
    setText("rd1", values[6]);
    setText("rd2", values[7]);
    setText("rd3", values[8]);
    setText("dby", values[9]);
    setText("month", values[10]);
    setText("obs", values[11]);
    setText("addfile", addfile);
    if (file) {
        setsave(false);
        std::fclose(file);
    }
    afterfile();
}

// After a load or a save: the directory of the last browsed file becomes the working
// directory, and the main window remembers it for the settings file.
void Tjexconfig3::afterfile() {
    const std::string dir = directorypart(nativepath(jexOpenDlgName));
    if (!dir.empty()) platform::changeDirectory(dir);
    pwd = platform::currentDirectory();
    Main.configFileName = pwd;
}

void Tjexconfig3::LoadButtonClick() {
    std::string name;
    if (!filedialog("Select folder and configuration file", jexOpenDlgName, name) || name.empty()) return;
    jexOpenDlgName = name;
    std::FILE* f = std::fopen(nativepath(name).c_str(), "rb");
    if (!f) {
        pausebox("Could not open file", "Error");
        return;
    }
    loadConfigFile(f);
}

void Tjexconfig3::SaveButtonClick() {
    setsave(false);
    std::string name;
    if (!filedialog("Save As", "jex.cfg", name)) {
        setsave(true);
        return;
    }
    platform::ReplacingFile out(nativepath(name));
    std::FILE* f = out.open("wb");
    if (!f) {
        pausebox("Could not open file", "Error");
        setsave(true);
        return;
    }
    std::fprintf(f, "Name of workspace; %s\n", text("wb").c_str());
    std::fprintf(f, "Name of workspace index; %s\n", wbi.c_str());
    std::fprintf(f, "Name of default bank; %s\n", text("db").c_str());
    std::fprintf(f, "Name of default bank index; %s\n", dbi.c_str());
    std::fprintf(f, "Path to help files; %s\n", path.c_str());
    std::fprintf(f, "Reserved for future use; x\n");
    std::fprintf(f, "Default regression limits; %s %s %s\n", text("rd1").c_str(), text("rd2").c_str(),
                 text("rd3").c_str());
    std::fprintf(f, "Default base year of workspace file; %s\n", text("dby").c_str());
    std::fprintf(f, "First month covered; %s\n", text("month").c_str());
    std::fprintf(f, "Default maximum number of observations per series in workspace; %s\n",
                 text("obs").c_str());
    std::fprintf(f, "Add file to run at startup; %s\n", text("addfile").c_str());
    if (!out.commit()) {
        pausebox("Could not open file", "Error");
        setsave(true);
        return;
    }
    afterfile();
}

void Tjexconfig3::OKButtonClick() {
    if (findButton("SaveButton")->enabled) SaveButtonClick();
    FormClose();
}

void Tjexconfig3::Button1Click() {
    setText("wb", "ws.bnk");
    wbi = "ws.ind";
    setText("db", "");
    dbi = "";
    path = "c:\\kvt";
    setText("rd1", "1978");
    setText("rd2", "2021");
    setText("rd3", "2025");
    setText("dby", "1978");
    setText("month", "1");
    setText("obs", "600");
    setText("addfile", "");
}

void Tjexconfig3::Button2Click() { platform::current().notice(helpText); }

void Tjexconfig3::FormClose() {
    configLoaded = false;
    close();
}

Tjexconfig3& jexconfig3() {
    static Tjexconfig3 dialog;
    return dialog;
}

namespace {

bool dialogwanted() {
    return platform::current().interactive() || platform::current().answerQueued();
}

}  // namespace

void startdirectorydialog() {
    if (platform::fileExists("jex.cfg")) {
        Main.configFileName = platform::currentDirectory();
        return;
    }
    if (!dialogwanted()) return;
    Tjexconfig3 dialog;
    dialog.showModal();
}

void showconfigdialog() {
    if (!dialogwanted()) return;
    jexconfig3().showModal();
}
