#include "models/tables.h"

#include <cstdlib>
#include <cstring>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "models/modelfiles.h"
#include "platform/home.h"
#include "shell/mainform.h"
#include "vam/groups.h"

namespace {

const std::vector<std::string> kindItems = {"", "workspace", "vam", "hashed", "compressed", "dirfor"};
const char kindLetters[] = " wvhcd";

std::string rowname(const char* prefix, int row) { return prefix + std::to_string(row); }

// The names BN1 to BN10 of the banks' root-name fields.
const std::vector<std::string>& bankNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (int row = 1; row <= 10; ++row) out.push_back(rowname("BN", row));
        return out;
    }();
    return names;
}

// A token that names something: a word or a quoted text.
bool nametoken(int cls) { return cls == 'a' || cls == '"'; }

}  // namespace

TTablesFm::TTablesFm() : Form("Specify Banks, Stub, and Output File for Tables") {
    addconfigfields(*this, {{"StubFile", "Stub file root name (without the .stb)", "", 79},
                            {"OutFile", "Name of output file", "", 79}},
                    [] {});
    for (int row = 1; row <= 10; ++row) {
        kinds_.push_back(&radio(rowname("BT", row), "Bank type " + std::to_string(row), kindItems));
        kinds_.back()->index = 0;
        addconfigfields(*this, {{bankNames()[row - 1].c_str(), "Root name of bank ", "", 100}}, [] {});
    }
    display_ = &radio("RadioGroup1", "Show data from Bank 2 and above as",
                      {"Actual Values", "Differences from bank 1", "Percent differences from bank 1"});
    display_->index = 0;
    button("OKBtn", "&OK").onClick = [this] { OKBtnClick(); };
    button("CancelBtn", "&Cancel").onClick = [this] { close(); };
    button("LoadBtn", "&Load information from file").onClick = [this] { LoadBtnClick(); };
    button("BrowseCfgButton", "&Browse").onClick = [this] { BrowseCfgButtonClick(); };
}

int TTablesFm::kind(int row) const { return kinds_[static_cast<std::size_t>(row - 1)]->index; }

void TTablesFm::activate() {
    std::string name = lastTableName + ".in";
    std::FILE* f = std::fopen(name.c_str(), "r");
    if (!f) return;
    if (!configLoaded) readConfig(f);  // closes the file
    else std::fclose(f);
    configLoaded = true;
}

void TTablesFm::readConfig(std::FILE* file) {
    {
        ConfigSource source(true);
        char token[80] = "";
        auto fail = [] { printout("Error in reading configuration file.\n"); };
        int cls = gettoken(token, file, 0, 78);
        int count = cls == 'n' ? std::atoi(token) : 0;
        if (cls != 'n' || count < 1 || count > 10) {
            fail();
        } else {
            for (int row = 1; row <= 10; ++row) {
                kinds_[static_cast<std::size_t>(row - 1)]->index = 0;
                findField(bankNames()[static_cast<std::size_t>(row - 1)])->text.clear();
            }
            display_->index = 0;
            bool bad = false;
            for (int row = 1; row <= count && !bad; ++row) {
                skipline(file);
                if (!nametoken(gettoken(token, file, 0, 78))) {
                    bad = true;
                    break;
                }
                const char* k = std::strchr(kindLetters + 1, token[0]);
                kinds_[static_cast<std::size_t>(row - 1)]->index =
                    token[0] && k ? static_cast<int>(k - kindLetters) : 0;
                skipline(file);
                if (!nametoken(gettoken(token, file, 0, 78))) {
                    bad = true;
                    break;
                }
                findField(bankNames()[static_cast<std::size_t>(row - 1)])->text = cutvalue(token, ".");
            }
            if (!bad && count > 1) {
                skipline(file);
                if (!nametoken(gettoken(token, file, 0, 78))) bad = true;
                else display_->index = token[0] == 'd' ? 1 : token[0] == 'p' ? 2 : 0;
            }
            if (!bad) {
                skipline(file);
                if (!nametoken(gettoken(token, file, 0, 78))) bad = true;
                else findField("StubFile")->text = cutvalue(token, ".");
            }
            if (!bad) {
                skipline(file);
                if (!nametoken(gettoken(token, file, 0, 78))) bad = true;
                else findField("OutFile")->text = token;
            }
            if (bad) fail();
        }
    }
    std::fclose(file);
}

void TTablesFm::LoadBtnClick() {
    std::string name;
    std::FILE* f = openchosen(lastTableName + ".in", name);
    if (!f) return;
    lastTableName = filestem(name);
    readConfig(f);
}

void TTablesFm::OKBtnClick() {
    banks.clear();  // each OK gathers the rows anew
    for (int row = 1; row <= 10; ++row) {
        int k = kind(row);
        const std::string& name = text(bankNames()[static_cast<std::size_t>(row - 1)]);
        if (k <= 0) continue;
        if (name.empty()) {
            banks.clear();
            pausebox("Error in Tables Configuration!", "Error");
            return;
        }
        banks.emplace_back(k, name);
    }
    if (banks.empty()) {
        printout("No banks listed in Tables Configuration window.\n");
        close();
        return;
    }
    std::vector<std::string> lines = {std::to_string(banks.size())};
    for (const auto& [k, name] : banks) {
        lines.push_back(std::string(1, kindLetters[k]));
        lines.push_back(name);
    }
    if (banks.size() > 1) lines.push_back(std::string(1, "adp"[display_->index < 0 ? 0 : display_->index]));
    lines.push_back(text("StubFile") + ".stb");
    lines.push_back(text("OutFile"));
    if (!writedosfile("tables.in", lines)) {
        printout("Cannot open %s.\n", "tables.in");
        return;
    }
    std::FILE* bat = std::fopen("tabrun.bat", "r");
    if (bat) {
        std::fclose(bat);
    } else {
        std::string tool = platform::executableDirectory();
        if (!tool.empty() && tool.back() != '/') tool += '/';
        tool += "compare.exe";
        std::FILE* exists = std::fopen(tool.c_str(), "r");
        if (exists) std::fclose(exists);
        else tool = "C:\\KVT\\compare.exe";
        if (!writedosfile("tabrun.bat", {tool + " tables.in", "pause"})) {
            printout("Cannot open %s.\n", "tabrun.bat");
            return;
        }
    }
    close();
    closegrouphome();  // the table tool may use groups.bin
    runBatch("tabrun.bat", RunMode::spawn);
    opengrouphome();
    lastTableName = "tables";
}

void TTablesFm::BrowseCfgButtonClick() {
    std::string name = lastTableName + ".stb";
    filedialog("Open", name, name);  // a cancelled dialog keeps the preset
    if (name.empty()) return;
    std::FILE* f = std::fopen(name.c_str(), "r");
    if (!f) {
        printout("Cannot open %s.\n", name.c_str());
        return;
    }
    std::fclose(f);
    // The extension of the file name is cut, never a dot in its directory.
    std::size_t slash = name.find_last_of("/\\");
    std::size_t dot = name.find('.', slash == std::string::npos ? 0 : slash + 1);
    findField("StubFile")->text = name.substr(0, dot);
}

TTablesFm& TablesFm() {
    static TTablesFm form;
    return form;
}
