// Creating a Vam bank from a configuration file: the .vam file with every value set to one
// fill value, and the declaration files <cfg stem>.glb and <cfg stem>.rsz beside the
// configuration file. Nothing is written until the whole configuration has been read, and
// the new bank is written beside the old one and renamed over it, so a mistake in the
// configuration or a killed run never damages an existing bank.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/bytes.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "platform/platform.h"
#include "vam/groups.h"
#include "vam/vam_commands.h"
#include "vam/vamfile.h"
#include "vam/vampath.h"

namespace {

constexpr int tokenSize = 78;
constexpr int poolLimit = 60000;

void box(const char* text) {
    platform::current().messageBox(text, "", platform::Buttons::Ok);
}

bool nameclass(int cls) { return cls == 'a' || cls == '"'; }

struct Element {
    std::string name;
    long rows = 0, columns = 0;
    int lags = 0;
    char type = 'v';
    std::string rowStub, columnStub;
};

// The names joined with `separator`, with "\n   " before every `perLine`-th name after the
// first line's `firstLine` names.
std::string joinnames(const std::vector<std::string>& names, const char* separator,
                      int firstLine, int perLine) {
    std::string out;
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (k > 0) out += separator;
        if (k >= static_cast<std::size_t>(firstLine) && (k - firstLine) % perLine == 0)
            out += "\n   ";
        out += names[k];
    }
    return out;
}

std::string upperlag(const std::string& name) {
    std::string u = name;
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u + "lag";
}

std::string glbtext(const std::vector<Element>& els) {
    std::vector<std::string> vectors, matrices, lagged;
    for (const Element& e : els) {
        if (e.columns < 2) vectors.push_back(e.name);
        if (e.columns != 1) matrices.push_back(e.name);
        if (e.columns < 2 && e.lags != 0) lagged.push_back(upperlag(e.name));
    }
    std::string out;
    if (!vectors.empty()) out += "GLOBAL Vector " + joinnames(vectors, ", ", 7, 7) + ";\n";
    if (!matrices.empty()) out += "GLOBAL Matrix " + joinnames(matrices, ", ", 7, 7) + ";\n";
    if (!lagged.empty()) out += "GLOBAL Matrix " + joinnames(lagged, ", ", 7, 7) + ";\n";
    return out;
}

std::string rsztext(const std::vector<Element>& els) {
    std::vector<std::string> vectors, matrices, lagged;
    auto sizing = [](const std::string& a, const std::string& b) {
        return a + ".r(\"" + b + "\")";
    };
    for (const Element& e : els) {
        if (e.columns < 2) vectors.push_back(sizing(e.name, e.name));
        if (e.columns != 1) matrices.push_back(sizing(e.name, e.name));
        if (e.columns < 2 && e.lags != 0) lagged.push_back(sizing(upperlag(e.name), e.name));
    }
    std::string out = joinnames(vectors, "; ", 3, 4) + ";\n";
    out += joinnames(matrices, "; ", 3, 4) + ";\n";
    if (!lagged.empty()) out += joinnames(lagged, ", ", 7, 7) + ";\n";
    return out;
}

// Writes the .vam beside its final name and renames it over; false after a message.
bool writevam(const std::string& path, const VamTables& t, int periods, float fill) {
    const std::string part = path + ".part";
    std::FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) {
        printout("Could not open %s.\n", path.c_str());
        return false;
    }
    std::vector<std::uint8_t> head = encodevamtables(t);
    bool ok = bytes::writeBytes(f, head.data(), head.size());
    std::vector<std::uint8_t> record;
    try {
        record.resize(static_cast<std::size_t>(t.header.recordFloats) * 4);
    } catch (const std::bad_alloc&) {
        printout("Malloc failed in zeroout.\n");
        ok = false;
    }
    for (std::size_t k = 0; k < record.size(); k += 4) bytes::putF32(record.data() + k, fill);
    for (int p = 0; ok && p < periods; ++p) ok = bytes::writeBytes(f, record.data(), record.size());
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (ok && std::rename(part.c_str(), path.c_str()) == 0) return true;
    std::remove(part.c_str());
    printout("\nError:  cannot write %s.\n", path.c_str());
    return false;
}

// The creation proper, reading the configuration through gettoken from `cfg`.
void createvam(const std::string& vamPath, std::FILE* cfg, const std::string& declStem) {
    char token[tokenSize];
    auto next = [&] { return gettoken(token, cfg, 0, tokenSize); };
    int cls;
    do cls = next(); while (cls == 'f');
    JexDate first, last;
    bool datesOk = cls == 'n';
    if (datesOk) {
        first = JexDate(static_cast<float>(std::atof(token)));
        datesOk = next() == 'n';
        if (datesOk) last = JexDate(static_cast<float>(std::atof(token)));
    }
    if (datesOk)
        datesOk = first.frequency != 0 && first.frequency == last.frequency &&
                  last - first >= 0 && last - first < 32767;
    if (!datesOk) {
        printout("\nError:  invalid dates in vam config file.\n");
        box("Error:  in vamcreate.");
        return;
    }

    std::vector<Element> els;
    float fill = 0;
    bool matonly = false;
    long long pool = 0;
    long long floats = 0;
    int packedSlots = 0;
    bool stop = false;
    while (!stop) {
        cls = next();
        if (cls == 'e' || cls == -1) break;
        if (cls == 'f') continue;
        if (cls == '@') {
            cls = next();
            if (cls == 'a' && std::strcmp(token, "missing") == 0) {
                cls = next();
                if (cls != '=') {
                    printout("\nError:  in vamcreate, \"@missing\" must be followed\n");
                    printout("by \"=\" and then a number or \"MISSING.\"\n");
                    return;
                }
                cls = next();
                if (cls == 'n') fill = static_cast<float>(std::atof(token));
                else if (cls == 'a' && (token[0] == 'M' || token[0] == 'm')) fill = MISSING;
                if (cls != 'f' && cls != 'e') skipline(cfg);
                continue;
            }
            if (cls == 'a' && std::strcmp(token, "matonly") == 0) {
                cls = next();
                const char c0 = token[0];
                if (cls == 'n' || (cls == 'a' && std::strchr("yntf10", c0))) {
                    matonly = c0 == 'y' || c0 == 't' || c0 == '1';
                } else {
                    printout("\nError:  in vamcreate, \"@matonly\" must be followed\n");
                    printout("by <y|n>, <1|0>, or <true|false>.\"\n");
                    return;
                }
                skipline(cfg);
                continue;
            }
            // any other directive word is dropped; the rest of the line is an element
        } else {
            ungettoken();
        }
        Element e;
        std::string lagField;
        bool good = true;
        if ((cls = next()) == 'f' || cls == 'e') continue;
        if (nameclass(cls)) e.name = token; else good = false;
        if (good && (cls = next()) == 'n') e.rows = std::strtol(token, nullptr, 10); else good = false;
        if (good && (cls = next()) == 'n') e.columns = std::strtol(token, nullptr, 10); else good = false;
        if (good) {
            cls = next();
            lagField = token;
            if (cls == 'n') e.lags = static_cast<int>(std::strtol(token, nullptr, 10));
            else if (cls == 'a' && (token[0] == 'p' || token[0] == 'P')) e.type = 'p';
            else good = false;
        }
        if (good && nameclass(cls = next())) e.rowStub = token; else good = false;
        if (good) {
            cls = next();
            if (e.columns > 1 || matonly) {
                if (nameclass(cls)) e.columnStub = token; else good = false;
                if (good) {
                    cls = next();
                    if (cls != 'f' && cls != 'e') skipline(cfg);
                }
            } else if (cls != 'f' && cls != 'e') {
                good = false;
            }
        }
        if (good && (e.rows < 1 || e.columns < 1 || e.rows > 65535 || e.columns > 65535 ||
                     e.lags < 0 || e.lags > 32767 || e.rows * e.columns > 0x7fffffffL))
            good = false;
        if (!good) {
            printout("\nError:  in vam configuration file.\n");
            printout("\n   name        = %s\n", e.name.c_str());
            printout("   rows        = %ld\n", e.rows);
            printout("   columns     = %ld\n", e.columns);
            printout("   p or lag    = %s\n", lagField.c_str());
            printout("   row stub    = %s\n", e.rowStub.c_str());
            printout("   column stub = %s\n", e.columnStub.c_str());
            box("Error:  in vamcreate.");
            return;
        }
        if (e.rowStub.size() >= vamStubNameSize || e.columnStub.size() >= vamStubNameSize) {
            printout("Warning:  file names for titles in vam.cfg must be <30 characters.\n");
            box("Warning!");
            if (e.rowStub.size() > 29) e.rowStub.resize(29);
            if (e.columnStub.size() > 29) e.columnStub.resize(29);
        }
        if (e.type == 'p') {
            e.lags = packedSlots++;
        } else if (e.rows == 1 || e.columns == 1) {
            e.type = e.lags > 0 ? 'l' : matonly ? 'm' : 'v';
        } else {
            if (e.lags != 0)
                printout("Matrix %s illegally has lagged values. Lags set to 0. \n", e.name.c_str());
            e.lags = 0;
            e.type = 'm';
        }
        if (e.type != 'p') floats += e.rows * e.columns;
        if (floats > 0x7fffffffLL / 4) {
            printout("\nError:  a period record of %s would hold more than %lld values.\n",
                     vamPath.c_str(), 0x7fffffffLL / 4);
            box("Error:  in vamcreate.");
            return;
        }
        pool += static_cast<long long>(e.name.size()) + 1;
        els.push_back(e);
        if (pool >= poolLimit) {
            printout("\nError:  problem in vamcreate.  Cumulative length of vector\n");
            printout("and matrix names is too long.\n");
            printout("Last element added was \"%s\"\n", e.name.c_str());
            if (pool > 65535) {  // the pool size is a 16-bit field: this element cannot stay
                els.pop_back();
                pool -= static_cast<long long>(e.name.size()) + 1;
                if (e.type != 'p') floats -= e.rows * e.columns;
                if (e.type == 'p') --packedSlots;
            }
            stop = true;
        } else if (static_cast<int>(els.size()) == vamMaxElements) {
            printout("Error:  To many matrices and vectors specified in vam config file.\n");
            printout("Maximum number of vectors and matrices is %d.\n", vamMaxElements);
            printout("Last element added was \"%s\"\n", e.name.c_str());
            stop = true;
        }
    }

    VamTables t;
    t.header.firstDate = first.toFloat();
    t.header.endDate = last.toFloat();
    t.header.recordFloats = static_cast<std::int32_t>(floats);
    t.header.elementTotal = static_cast<std::int16_t>(els.size());
    t.header.poolSize = static_cast<std::uint16_t>(pool);
    t.header.packedTotal = static_cast<std::int16_t>(packedSlots);
    t.header.dataStart = static_cast<std::int32_t>(104 + 32LL * packedSlots + 73LL * els.size() + pool);
    t.packedNames.assign(packedSlots, " ");
    for (const Element& e : els) {
        t.names.push_back(e.name);
        t.sizes.push_back(static_cast<std::int32_t>(e.rows * e.columns));
        t.rows.push_back(static_cast<std::uint16_t>(e.rows));
        t.columns.push_back(static_cast<std::uint16_t>(e.columns));
        t.lags.push_back(static_cast<std::int16_t>(e.lags));
        t.types.push_back(e.type);
        t.rowStubs.push_back(e.rowStub);
        t.columnStubs.push_back(e.columnStub);
    }
    if (!writevam(vamPath, t, static_cast<int>(last - first) + 1, fill)) return;
    const std::string glb = declStem + ".glb";
    if (!replacefile(glb, glbtext(els))) {
        printout("\nError:  cannot open file %s for writing.\n", glb.c_str());
        return;
    }
    const std::string rsz = declStem + ".rsz";
    if (!replacefile(rsz, rsztext(els)))
        printout("\nError:  cannot open file %s for writing.\n", rsz.c_str());
}

}  // namespace

int vamcrcmd(std::FILE* in) {
    char cfgName[tokenSize], stem[tokenSize];
    int cls = gettoken(cfgName, in, 0, tokenSize);
    if (nameclass(cls)) cls = gettoken(stem, in, 0, tokenSize);
    if (!nameclass(cls)) {
        printout("Usage: vamcr <name of .cfg file> <name of bank>\n");
        if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);
        return -1;
    }
    const std::string cfgPath = vampath(cfgName);
    std::FILE* cfg = std::fopen(cfgPath.c_str(), "r");
    if (!cfg) {
        printout("Could not open %s.\n", cfgName);
        return 1;
    }
    const std::string declStem =
        std::filesystem::path(cfgPath).replace_extension().string();
    emptydynamicgroup();
    {
        ReaderPositionSaver rest;
        ReaderSourceSaver sources;
        const int savedAddPrint = addPrint;
        addPrint = 0;
        keyboardInput = 'n';
        replayMode = 'n';
        replayList = nullptr;
        lastChar = '\n';
        ungotChar = 0;
        tokenPushedBack = 0;
        createvam(vampath(stem) + ".vam", cfg, declStem);
        addPrint = savedAddPrint;
        tokenPushedBack = 0;
    }
    std::fclose(cfg);
    return 1;
}
