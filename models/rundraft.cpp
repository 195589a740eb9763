#include "models/rundraft.h"

namespace {

// Where the standard installation keeps this program and the fix tools.
const char* const installedJex = "C:\\kvt\\jex7.exe";
const char* const installedMacMender = "c:\\kvt\\macmender.exe";
const char* const installedMender = "c:\\kvt\\mender.exe";

}  // namespace

std::string trimmed(const std::string& s) {
    std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> runbatchlines(const RunDraft& d) {
    const std::string& M = d.model;
    const std::string& R = d.run;
    std::vector<std::string> L = {
        "rem   RUN.BAT - Run " + M + ".",
        "rem   Call this batch file with an argument!  (To Save fixes & results)",
        "rem   Specify title & other parameters in " + M + ".cfg",
        "",
    };
    if (!d.hist.empty() && d.hist != R)
        for (const char* ext : {".bnk", ".ind", ".vam"}) L.push_back("copy " + d.hist + ext + " " + R + ext);
    L.push_back("");
    if (!d.exog.empty()) L.insert(L.end(), {std::string(installedJex) + " RunXog.add", ""});
    if (!d.macFixes.empty())
        L.insert(L.end(), {installedMacMender, "rem Macrofixes have been processed, type spacebar...", "pause", ""});
    if (!d.vecFixes.empty())
        L.insert(L.end(), {installedMender, "rem Fixes have been processed, type spacebar...", "pause", ""});
    L.insert(L.end(), {M + ".exe", "", "@echo off", "if \"%1\" == \"\" goto end", "copy " + M + ".cfg %1.cfg"});
    for (const char* ext : {".bnk", ".ind", ".vam"}) L.push_back("copy " + R + ext + " %1" + ext);
    if (!d.macFixes.empty()) L.push_back("copy " + d.macFixInput + ".mfx %1.mfx");
    if (!d.vecFixes.empty()) L.push_back("copy " + d.vecFixInput + ".vfx %1.vfx");
    L.insert(L.end(), {":end", "", "pause"});
    return L;
}

std::vector<std::string> runxoglines(const std::string& run, const std::string& exog) {
    return {"# Exogenous routines.", "wsb " + run, "vam " + run + " b", "dvam b",
            "add " + trimmed(exog) + ".xog", "wsb ws", "close b", "q"};
}
