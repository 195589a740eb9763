// The workspace cache (wscache) and the dump of the workspace as data commands (wsdump).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/other_commands.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "series/series_state.h"

namespace {

constexpr int tokenSize = 78;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

// The series count of a bank, set from outside the bank's own code: turning the cache on
// starts the count of cached series at 0.
struct CountAccess : DataBank {
    static void set(DataBank& bank, std::uint16_t n) { bank.*(&CountAccess::seriesCount_) = n; }
};

struct Series {
    std::string name;
    int frequency = 0;
    std::vector<float> values;
};

// Every series of the bank in its listing order (index order, or sorted in cache mode).
int readall(JexBank& bank, std::vector<Series>& out, bool stopOnEscape) {
    std::vector<std::string> names;
    bank.collectser(names, "", 0);
    out.clear();
    out.reserve(names.size());
    for (const std::string& name : names) {
        if (stopOnEscape && platform::escapePressed()) return 27;
        Series s;
        s.name = name;
        s.values.assign(seriesArrayLength, 0.0f);
        if (bank.getser(name.c_str(), s.values.data(), -1) != 0) return -1;
        s.frequency = bank.freq();
        s.values.resize(bank.maxObs());
        out.push_back(std::move(s));
    }
    return 0;
}

std::string stemof(const JexBank& bank) {
    std::string path = bank.dataPath();
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".bnk") == 0) path.resize(path.size() - 4);
    return path;
}

int cacheon(JexBank& bank) {
    if (bank.cacheOn()) return 0;
    const std::uint16_t savedCount = bank.seriesCount();
    std::vector<Series> all;
    const int rc = readall(bank, all, true);
    if (rc != 0) return -1;
    bank.setCache(true);
    CountAccess::set(bank, 0);
    for (const Series& s : all) {
        bank.setFreq(s.frequency);
        if (bank.addser(s.name.c_str(), s.values.data(), 'n', static_cast<std::int16_t>(s.values.size())) < 0) {
            bank.setCache(false);
            CountAccess::set(bank, savedCount);
            return -1;
        }
    }
    return 0;
}

// Writes the cached series, in the sorted order of their names, into a new bank beside the
// workspace files, renames it over them and opens it as the workspace bank.
int cacheoff(JexBank*& bank) {
    if (!bank->cacheOn()) return 0;
    std::vector<Series> all;
    if (readall(*bank, all, false) != 0) return -1;
    const std::string stem = stemof(*bank);
    // The new files are made beside the files they replace (their links followed), so that
    // a bank reached through links stays one bank.
    const std::string dataTarget = platform::resolveLinks(stem + ".bnk");
    const std::string indexTarget = platform::resolveLinks(stem + ".ind");
    const std::string part =
        (dataTarget.ends_with(".bnk") ? dataTarget.substr(0, dataTarget.size() - 4) : dataTarget) +
        ".cachepart";
    const std::string title = bank->title();
    const int baseYear = bank->baseyear(), maxObs = bank->maxObs(), firstMonth = bank->firstMonth();
    auto dropPart = [&part]() {
        platform::removeFile(part + ".bnk");
        platform::removeFile(part + ".ind");
    };
    {
        JexBank fresh(part.c_str(), "New", baseYear, maxObs, firstMonth, 0);
        bool ok = fresh.isOpen();
        if (ok && !title.empty()) fresh.settitle(title.c_str());
        for (std::size_t i = 0; ok && i < all.size(); ++i) {
            fresh.setFreq(all[i].frequency);
            ok = fresh.addser(all[i].name.c_str(), all[i].values.data(), 'n',
                              static_cast<std::int16_t>(all[i].values.size())) >= 0;
        }
        if (ok) ok = fresh.writeIndex() == 0;
        if (!ok) {
            dropPart();
            return -1;
        }
    }
    std::error_code ec;
    std::filesystem::rename(part + ".bnk", dataTarget, ec);
    if (!ec) std::filesystem::rename(part + ".ind", indexTarget, ec);
    if (ec) {
        dropPart();
        return -1;
    }
    auto* reopened = new JexBank(stem.c_str(), "ReadWrite", baseYear, maxObs, firstMonth);
    if (!reopened->isOpen()) {
        delete reopened;
        return -1;
    }
    if (bank == workspaceBank) {
        delete workspaceBank;
        setWorkspaceBank(reopened);
    } else {
        delete bank;
    }
    bank = reopened;
    return 0;
}

}  // namespace

int wscachecmd(std::FILE* in) {
    JexBank* bank = workspaceBank;
    if (!bank) {
        printout("\nError:  no workspace bank.\n");
        return -1;
    }
    const std::uint16_t frequency = bank->freq();
    char token[tokenSize];
    const int cls = gettoken(token, in, 0, tokenSize);
    int rc = 0;
    if (cls == 'a' && (token[0] == 'y' || std::strcmp(token, "on") == 0)) {
        rc = cacheon(*bank);
    } else if (cls == 'a' && (token[0] == 'n' || std::strcmp(token, "off") == 0)) {
        rc = cacheoff(bank);
        if (rc != 0) printout("\nError:  the cached series could not be written back; the cache stays on.\n");
    } else if (endclass(cls)) {
        printout("Cache setting:  %s.\n", bank->cacheOn() ? "yes" : "no");
    } else {
        skipline(in);
        rc = -1;
    }
    bank->setFreq(frequency);
    return rc;
}

int wsdumpcmd(std::FILE* in) {
    JexBank* bank = workspaceBank;
    char name[tokenSize];
    int cls = gettoken(name, in, 0, tokenSize);
    if (cls != 'a' && cls != '"') {
        printout("Error:  invalid file name given for bank dump.\n");
        if (!endclass(cls)) skipline(in);
        return -1;
    }
    if (!bank) {
        printout("\nError:  no workspace bank.\n");
        skipline(in);
        return -1;
    }
    char token[tokenSize];
    cls = gettoken(token, in, 0, tokenSize);
    bool range = false;
    if (cls == 'a' && token[0] == 't') {
        range = true;
        skipline(in);
    } else if (!endclass(cls)) {
        printout("Error:  invalid argument given after file name for bank dump.\n");
        skipline(in);
        return -1;
    }
    // The dump is written beside the file it replaces and renamed over it once complete, so
    // a refused command or a failed write leaves an earlier file of that name as it was.
    platform::ReplacingFile dump(name);
    std::FILE* out = dump.open("w");
    if (!out) {
        printout("Error:  cannot dump bank to %s.\n", name);
        return -1;
    }
    const int w = widthGiven ? width : 12;
    const int d = decsGiven ? decs : 1;
    char valueFormat[32], missingFormat[32];
    std::snprintf(valueFormat, sizeof valueFormat, " %%%d.%df", w, d);
    std::snprintf(missingFormat, sizeof missingFormat, " %%%ds", w);

    const std::uint16_t frequency = bank->freq();
    std::vector<std::string> names;
    bank->collectser(names, "", 0);
    std::vector<float> v(seriesArrayLength);
    int rc = 0;
    const int n = std::min<int>(bank->maxObs(), seriesArrayLength);
    for (const std::string& series : names) {
        if (platform::escapePressed()) break;
        if (bank->getser(series.c_str(), v.data(), -1) != 0) {
            rc = -1;
            break;
        }
        const int f = bank->freq() ? bank->freq() : 1;
        JexDate date;
        date.setMonth(static_cast<std::int16_t>(bank->baseyear()),
                      static_cast<std::int16_t>(bank->firstMonth()), f);
        int first = 0, last = n - 1;
        if (range) {
            const int y1 = printDateRange[0].year, y2 = printDateRange[1].year;
            first = (y1 - bank->baseyear()) * f;
            last = (y2 + 1 - bank->baseyear()) * f - 1;
            date = JexDate(static_cast<std::int16_t>(y1), 1, 0, static_cast<std::uint8_t>(f));
            if (first < 0) {
                date = date + (-first);
                first = 0;
            }
            if (last > n - 1) last = n - 1;
            if (first > last) continue;
        } else {
            auto empty = [](float x) { return ismissing(x) || std::fabs(x) < 0.0000001f; };
            while (first <= last && empty(v[first])) ++first;
            while (last >= first && empty(v[last])) --last;
            if (first > last) continue;
            date = date + first;
        }
        char text[JexDate::textSize];
        std::fprintf(out, "data %s\n%s", series.c_str(), date.print(text, '4'));
        for (int i = first, k = 1; i <= last; ++i, ++k) {
            if (ismissing(v[i])) std::fprintf(out, missingFormat, "?");
            else std::fprintf(out, valueFormat, static_cast<double>(v[i]));
            date = date + 1;
            if (obsPerLineGiven && obsPerLine > 0 && k % obsPerLine == 0 && i < last)
                std::fprintf(out, "\n%s", date.print(text, '4'));
        }
        std::fprintf(out, "\n");
    }
    // A failed read ends the dump with what was written so far; a failed write keeps the
    // earlier file.
    if (!dump.commit()) {
        printout("Error:  cannot write %s.\n", name);
        rc = -1;
    }
    bank->setFreq(frequency);
    return rc;
}
