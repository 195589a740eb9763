#include "shell/settings.h"

#include <algorithm>

#include "core/printout.h"
#include "platform/home.h"
#include "shell/mainform.h"
#include "shell/menu_handlers.h"
#include "shell/profile.h"

namespace {

constexpr int W = platform::workAreaWidth;
constexpr int H = platform::workAreaHeight;

// A font's keys: name, size, colour and character set, then the four style flags.
void readfont(const ProfileFile& ini, const char* section, WindowFont& font, const WindowFont& defaults) {
    font.name = ini.readString(section, "FontName", defaults.name);
    font.size = ini.readInteger(section, "FontSize", defaults.size);
    font.color = ini.readInteger(section, "FontColor", defaults.color);
    font.charset = ini.readInteger(section, "Charset", defaults.charset);
}

void readstyle(const ProfileFile& ini, const char* section, WindowFont& font) {
    font.bold = ini.readBool(section, "Bold", font.bold);
    font.italic = ini.readBool(section, "Italic", font.italic);
    font.underline = ini.readBool(section, "Underline", font.underline);
    font.strikeout = ini.readBool(section, "StrikeOut", font.strikeout);
}

void writestyle(ProfileFile& ini, const char* section, const WindowFont& font) {
    ini.writeBool(section, "Bold", font.bold);
    ini.writeBool(section, "Italic", font.italic);
    ini.writeBool(section, "Underline", font.underline);
    ini.writeBool(section, "StrikeOut", font.strikeout);
}

void readplacement(const ProfileFile& ini, const char* section, Bounds& b) {
    b.width = ini.readInteger(section, "Width", 0);
    b.height = ini.readInteger(section, "Height", 0);
    b.top = ini.readInteger(section, "Top", -1000);
    b.left = ini.readInteger(section, "Left", -1000);
}

void checkmainplacement(Bounds& b) {
    if (b.width < 1 || b.width > W) b.left = 0, b.width = W / 2;
    if (b.height < 1 || b.height > H) b.top = 0, b.height = H;
    if (b.left < 0 || b.left >= W) b.left = 0, b.width = W / 2;
    if (b.top < 0 || b.top > H) b.top = 0, b.height = H;
}

void checkgraphplacement(Bounds& b) {
    if (b.width < 10 || b.width > W) b.left = W / 2, b.width = W / 2;
    if (b.height < 10 || b.height > H) b.top = H / 2, b.height = H / 2;
    if (b.left < 0 || b.left >= W) b.left = W / 2, b.width = W / 2;
    if (b.top < 0 || b.top > H) b.top = H / 2, b.height = H / 2;
}

// New editors: the values are compared as unsigned numbers, so a negative one lies beyond
// the work area.
void checkeditorplacement(TMain& m) {
    const std::uint32_t w = W, h = H;
    const std::int64_t e = static_cast<std::int64_t>(m.bounds.left) + m.bounds.width;
    const std::uint32_t mainHeight = static_cast<std::uint32_t>(m.bounds.height);
    if (m.editorWidth >= 10) {
        if (m.editorWidth > w) m.editorWidth = w, m.editorLeft = 0;
    } else if (e > W) {
        m.editorLeft = w / 2, m.editorWidth = w / 2;
    } else {
        m.editorLeft = static_cast<std::uint32_t>(e), m.editorWidth = static_cast<std::uint32_t>(W - e);
    }
    if (m.editorHeight >= 10) {
        if (m.editorHeight > h) m.editorHeight = h, m.editorTop = 0;
    } else if (h >= mainHeight) {
        m.editorTop = static_cast<std::uint32_t>(m.bounds.top), m.editorHeight = mainHeight;
    } else {
        m.editorTop = 0, m.editorHeight = h;
    }
    if (m.editorLeft >= w) m.editorWidth = w / 2, m.editorLeft = w / 2;
    if (m.editorTop >= h) m.editorTop = 0, m.editorHeight = h >= mainHeight ? mainHeight : h;
}

}  // namespace

std::string settingsFilePath() { return platform::homeFile("JexReg.ini"); }

void applysettings(const ProfileFile& ini) {
    TMain& m = Main;
    m.configFileName = ini.readString("Misc", "LastPath", "jex.cfg");
    m.panelTop = ini.readBool("Misc", "PanelTop", false);
    onlineHelpAddress = ini.readString("Web", "OnlineHelp", "");
    updatesAddress = ini.readString("Web", "Updates", "");
    makerSiteAddress = ini.readString("Web", "Site", "");

    readfont(ini, "Results", mainFont, mainFont);
    mainColor = ini.readInteger("Results", "BackColor", mainColor);
    mainAutoFontSize = ini.readBool("Results", "AutoSize", mainAutoFontSize);
    readstyle(ini, "Results", mainFont);
    autoComplete = ini.readBool("Results", "AutoComplete", autoComplete);

    showDecimals = static_cast<short>(ini.readInteger("Show", "Decimals", 2));

    readplacement(ini, "Placement", m.bounds);
    checkmainplacement(m.bounds);

    m.executeBoxText = ini.readString("ExecuteBox", "ExecuteBoxEntry", "");

    readplacement(ini, "Graph Placement", m.graphForm);
    checkgraphplacement(m.graphForm);
    m.graphWidth = m.graphForm.width;
    m.graphHeight = m.graphForm.height;
    m.graphTop = m.graphForm.top;
    m.graphLeft = m.graphForm.left;
    const int graphBottom = m.graphForm.top + m.graphForm.height;
    m.pauseBoxTop = ini.readInteger("Graph Placement", "CATop", std::max(0, graphBottom - pauseBoxHeight));
    m.pauseBoxLeft = ini.readInteger("Graph Placement", "CALeft", std::max(0, m.graphForm.left));
    if (graphBottom > H) m.pauseBoxTop = H - pauseBoxHeight;
    m.caTop = m.pauseBoxTop;
    m.caLeft = m.pauseBoxLeft;

    m.editorWidth = static_cast<std::uint32_t>(ini.readInteger("Editor Placement", "Width", 0));
    m.editorHeight = static_cast<std::uint32_t>(ini.readInteger("Editor Placement", "Height", 0));
    m.editorTop = static_cast<std::uint32_t>(ini.readInteger("Editor Placement", "Top", 0));
    m.editorLeft = static_cast<std::uint32_t>(ini.readInteger("Editor Placement", "Left", 0));
    checkeditorplacement(m);

    const char* run = "Last Model Run";
    lastModelRun = ini.readString(run, "LastORYModelRun", lastModelRun);
    lastModelHistName = ini.readString(run, "LastORYModelHistName", lastModelHistName);
    lastModelSimName = ini.readString(run, "LastORYModelSimName", lastModelSimName);
    lastTableName = ini.readString(run, "LastTableName", lastTableName);
    macroModelStartDate = ini.readString(run, "Macro Model Start Date", macroModelStartDate);
    macroModelStopDate = ini.readString(run, "Macro Model Stop Date", macroModelStopDate);
    macroModelResultsName = ini.readString(run, "Macro Model Results Name", macroModelResultsName);
    macroModelFixFile = ini.readString(run, "Macro Model Fix File", macroModelFixFile);

    readfont(ini, "Graph Settings", m.graphFont, m.graphFont);
    readstyle(ini, "Graph Settings", m.graphFont);
    // The editor font's defaults are the results window's.
    readfont(ini, "Editor Settings", editorFont, mainFont);
    readstyle(ini, "Editor Settings", editorFont);
    editorColor = ini.readInteger("Editor Settings", "BackColor", mainColor);

    m.modelInterface = ini.readInteger("Options", "ORYInterface", m.modelInterface);
    exogFileName = ini.readString("Options", "ExogFileName", exogFileName);
}

void loadsettings() {
    ProfileFile ini;
    ini.load(settingsFilePath());
    applysettings(ini);
}

ProfileFile collectsettings() {
    TMain& m = Main;
    ProfileFile ini;
    ini.writeString("Misc", "LastPath", m.configFileName);
    ini.writeBool("Misc", "PanelTop", m.panelTop);
    ini.writeString("Results", "FontName", mainFont.name);
    ini.writeInteger("Results", "FontSize", mainFont.size);
    ini.writeInteger("Results", "FontColor", mainFont.color);
    ini.writeInteger("Results", "BackColor", mainColor);
    ini.writeBool("Results", "AutoSize", mainAutoFontSize);
    ini.writeInteger("Results", "Charset", mainFont.charset);
    writestyle(ini, "Results", mainFont);
    ini.writeBool("Results", "AutoComplete", autoComplete);
    ini.writeInteger("Show", "Decimals", showDecimals);
    ini.writeInteger("Placement", "Width", m.bounds.width);
    ini.writeInteger("Placement", "Height", m.bounds.height);
    ini.writeInteger("Placement", "Top", m.bounds.top);
    ini.writeInteger("Placement", "Left", m.bounds.left);
    ini.writeString("ExecuteBox", "ExecuteBoxEntry", m.executeBoxText);
    if (m.graphWidth == 0) m.graphWidth = 345, m.graphHeight = 320, m.graphTop = 441, m.graphLeft = 980;
    ini.writeInteger("Graph Placement", "Width", m.graphWidth);
    ini.writeInteger("Graph Placement", "Height", m.graphHeight);
    ini.writeInteger("Graph Placement", "Top", m.graphTop);
    ini.writeInteger("Graph Placement", "Left", m.graphLeft);
    ini.writeInteger("Graph Placement", "CATop", m.caTop);
    ini.writeInteger("Graph Placement", "CALeft", m.caLeft);
    ini.writeInteger("Editor Placement", "Width", m.editorWidth);
    ini.writeInteger("Editor Placement", "Height", m.editorHeight);
    ini.writeInteger("Editor Placement", "Top", m.editorTop);
    ini.writeInteger("Editor Placement", "Left", m.editorLeft);
    const char* run = "Last Model Run";
    ini.writeString(run, "LastORYModelRun", lastModelRun);
    ini.writeString(run, "LastORYModelHistName", lastModelHistName);
    ini.writeString(run, "LastORYModelSimName", lastModelSimName);
    ini.writeString(run, "LastTableName", lastTableName);
    ini.writeString(run, "Macro Model Start Date", macroModelStartDate);
    ini.writeString(run, "Macro Model Stop Date", macroModelStopDate);
    ini.writeString(run, "Macro Model Results Name", macroModelResultsName);
    ini.writeString(run, "Macro Model Fix File", macroModelFixFile);
    for (const char* section : {"Graph Settings", "Editor Settings"}) {
        const WindowFont& f = section[0] == 'G' ? m.graphFont : editorFont;
        ini.writeString(section, "FontName", f.name);
        ini.writeInteger(section, "FontSize", f.size);
        ini.writeInteger(section, "FontColor", f.color);
        ini.writeInteger(section, "Charset", f.charset);
        writestyle(ini, section, f);
    }
    ini.writeInteger("Editor Settings", "BackColor", editorColor);
    ini.writeInteger("Options", "ORYInterface", m.modelInterface);
    ini.writeString("Options", "ExogFileName", exogFileName);
    // The web addresses of the Help menu are kept only when configured.
    for (const auto& [key, value] : {std::pair<const char*, const std::string&>{"OnlineHelp", onlineHelpAddress},
                                     {"Updates", updatesAddress},
                                     {"Site", makerSiteAddress}})
        if (!value.empty()) ini.writeString("Web", key, value);
    return ini;
}

void savesettings() {
    const std::string path = settingsFilePath();
    ProfileFile ini = collectsettings();
    if (!platform::makeProgramHome() || !ini.save(path)) printout("\nWarning:  Cannot write %s.\n", path.c_str());
}
