// The directory-of-forecasts bank.
#include "banks/dirfor.h"


#include <bit>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "banks/compbank.h"
#include "core/bytes.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t listingLineLimit = 239;

// One line of the listing file without its line end, cut to the limit; false at the end.
bool readline(std::FILE* f, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() < listingLineLimit) line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

// The integer that starts at column `col` (leading blanks skipped); false when the line is
// shorter or holds no number there.
bool intat(const std::string& line, std::size_t col, long& out, std::size_t width = 0) {
    if (col >= line.size()) return false;
    std::string field = width ? line.substr(col, width) : line.substr(col);
    const char* s = field.c_str();
    char* end = nullptr;
    out = std::strtol(s, &end, 10);
    return end != s;
}

// The file name of a listing line: cut at the first comma, blanks trimmed.
std::string filenamefrom(const std::string& line) {
    std::string name = line.substr(0, line.find(','));
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
    std::size_t b = 0;
    while (b < name.size() && std::isspace(static_cast<unsigned char>(name[b]))) ++b;
    return name.substr(b);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Opens name "rb"; when that fails and the name has no point, name + ext.
std::FILE* openwithext(std::string& name, const char* ext) {
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f && name.find('.') == std::string::npos) {
        std::string other = name + ext;
        f = std::fopen(other.c_str(), "rb");
        if (f) name = other;
        else name = other;
    }
    return f;
}

bool nohistoryvalue(float v) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(v);
    if (bits == 0xFFFF4455u || bits == 0x7FFF4455u) return true;
    const float a = std::fabs(v);
    return !(a >= 0.00000001f) || a > 1e13f;
}

}  // namespace

Dirfor::Dirfor(const char* stem, const char* listing) : DataBank(stem) {
    className_ = "Dirfor";
    kind_ = 'd';
    firstMonth_ = 1;
    frequency_ = 1;
    status_ = 0;
    listingName_ = (listing && *listing) ? listing : "dirfor.dat";
    listingFile_ = std::fopen(listingName_.c_str(), "r");
    if (!listingFile_) {
        printout("Cannot open %s.\n", listingName_.c_str());
        status_ = -1;
        return;
    }
    if (parseListing() != 0 || !ready_) {
        status_ = -1;
        return;
    }
    std::string name = stem ? stem : "";
    dataFile_ = openwithext(name, ".dfr");
    if (!dataFile_) {
        printout("Cannot open %s.\n", name.c_str());
        status_ = -1;
        return;
    }
    dataPath_ = name;
    forecastSize_ = filesize(dataFile_);
    const long pos = 4L * recordLength_;
    if (!platform::seekTo(dataFile_, pos)) {
        printout("Error fseeking on Dirfor file.  Pos=%ld.\n", pos);
        status_ = -1;
        return;
    }
    std::uint8_t h[97];
    if (!bytes::readBytes(dataFile_, h, sizeof h)) {
        printout("Error reading Dirfor.\n");
        status_ = -1;
        return;
    }
    int base = bytes::getU16(h);
    if (base < 1900) base += 1900;
    forecastBase_ = base;
    forecastYears_ = bytes::getI16(h + 4);
    {
        std::string t;
        bytes::ByteReader in(h + 56, 41);
        in.fixedText(t, 41);
        title_ = t.substr(0, 40);
    }
    if (forecastYears_ < 0 || forecastYears_ > recordLength_) {
        fail("number of forecast years outside the record");
        return;
    }
    if (history_) {
        historyStart_ = base - historyLength_ + 1;
        baseYear_ = static_cast<std::uint16_t>(historyStart_);
        maxObs_ = static_cast<std::uint16_t>(base + forecastYears_ - historyStart_);
    } else {
        baseYear_ = static_cast<std::uint16_t>(base);
        maxObs_ = static_cast<std::uint16_t>(forecastYears_);
    }
    if ((history_ ? historyLength_ - 1 : 0) + forecastYears_ > seriesArrayLength) {
        fail("history and forecast longer than a series");
        return;
    }
    status_ = 1;
}

Dirfor::~Dirfor() {
    if (listingFile_) std::fclose(listingFile_);
    if (dataFile_) std::fclose(dataFile_);
    if (historyFile_) std::fclose(historyFile_);
}

int Dirfor::fail(const char* what) {
    printout("\nError:  %s is damaged (%s).\n", listingName_.c_str(), what);
    status_ = -1;
    return -1;
}

int Dirfor::parseListing() {
    std::FILE* f = listingFile_;
    std::string line;
    auto next = [&]() { return readline(f, line); };
    auto closelisting = [&](int rc) {
        std::fclose(listingFile_);
        listingFile_ = nullptr;
        return rc;
    };
    long n = 0;
    if (!next() || !intat(line, 0, n) || n < 0 || n > 100000) return closelisting(fail("bad first line"));
    for (long i = 0; i < 2 * n; ++i)
        if (!next()) return closelisting(fail("cut short"));
    long k = 0, h = 0;
    if (!next() || !next() || !intat(line, 17, k, 3)) return closelisting(fail("no record length"));
    if (!next() || !next() || !intat(line, 17, h, 3)) return closelisting(fail("no history length"));
    if (k < 1 || k > seriesArrayLength) return closelisting(fail("record length out of range"));
    if (h < 0 || h > seriesArrayLength) return closelisting(fail("history length out of range"));
    recordLength_ = static_cast<int>(k);
    historyLength_ = static_cast<int>(h);
    if (!next()) return closelisting(fail("no history file name"));
    historyName_ = filenamefrom(line);
    long q = 0;
    if (!next() || !intat(line, 0, q)) return closelisting(fail("no group count"));
    if (q < 1 || q > maxGroups) return closelisting(fail("group count out of range"));
    groups_ = static_cast<int>(q);
    numbers_.assign(groups_, 0);
    stems_.assign(groups_, 0);
    for (int pass = 0; pass < 2; ++pass) {
        if (!next()) return closelisting(fail("cut short"));
        for (int i = 0; i < groups_; ++i) {
            long v = 0;
            if (!intat(line, 16 + 4 * static_cast<std::size_t>(i), v, 4) || v < 0 ||
                (pass == 1 && v > maxStems) || v > 65535)
                return closelisting(fail(pass == 0 ? "bad count of numbers" : "bad count of stems"));
            (pass == 0 ? numbers_ : stems_)[i] = static_cast<int>(v);
        }
    }
    bases_.assign(groups_ + 1, 0);
    bases_[0] = 1;
    for (int i = 0; i < groups_; ++i)
        bases_[i + 1] = static_cast<std::int64_t>(numbers_[i]) * stems_[i] + bases_[i];
    groupStems_.assign(groups_, {});

    // The history file; without it the bank carries on with forecasts alone.
    if (historyLength_ > 0 && !historyName_.empty()) {
        historyFile_ = openwithext(historyName_, ".dhs");
        if (!historyFile_) printout("Cannot open %s.\n", historyName_.c_str());
        else historySize_ = filesize(historyFile_);
    }
    history_ = historyFile_ != nullptr;

    // The group blocks; the end of the file ends them early.
    for (int block = 0; block < groups_; ++block) {
        if (!next()) break;
        long g = 0;
        if (!intat(line, 7, g) || g < 1 || g > groups_) {
            printout("Problem in DIRFOR.DAT file! Line is:\n%s\n", line.c_str());
            return closelisting(-1);
        }
        if (g == macroGroup) {
            if (!next() || !next() || !next()) break;
            macroFileName_ = filenamefrom(line);
        } else {
            auto& stems = groupStems_[g - 1];
            stems.clear();
            for (int i = 0; i < stems_[g - 1]; ++i) {
                if (!next()) break;
                long ordinal = 0;
                if (!intat(line, 6, ordinal) || ordinal != i + 1 || line.size() <= 31) {
                    printout("Problem in DIRFOR.DAT file! Line is:\n%s\n", line.c_str());
                    return closelisting(-1);
                }
                std::size_t b = 31;
                while (b < line.size() && line[b] == ' ') ++b;
                std::size_t e = b;
                while (e < line.size() && !std::isspace(static_cast<unsigned char>(line[e]))) ++e;
                if (e == b) {
                    printout("Problem in DIRFOR.DAT file! Line is:\n%s\n", line.c_str());
                    return closelisting(-1);
                }
                try {
                    stems.push_back(lower(line.substr(b, e - b)));
                } catch (const std::bad_alloc&) {
                    printout("Unable to allocate memory");
                    return closelisting(-3);
                }
                if (!next()) break;
            }
        }
        if (!next()) break;
    }

    // The macro names.
    macros_.clear();
    if (!macroFileName_.empty()) {
        std::FILE* mf = std::fopen(macroFileName_.c_str(), "rb");
        if (!mf) {
            printout("Cannot open %s.\n", macroFileName_.c_str());
            return closelisting(-1);
        }
        std::int16_t count = 0;
        long first = 4;
        bool ok = bytes::readI16(mf, count);
        macroLayout_ = 0;
        if (!ok || count < 0 || count > maxMacros) {
            ok = platform::seekTo(mf, 5) && bytes::readI16(mf, count);
            macroLayout_ = 1;
            first = 9;
            if (!ok || count < 0 || count > maxMacros) {
                printout("Can't read macronames on %s.\n", macroFileName_.c_str());
                std::fclose(mf);
                return closelisting(-1);
            }
        }
        if (!platform::seekTo(mf, first)) {
            printout("Error fseeking on %s file.  Pos=%ld.\n", macroFileName_.c_str(), first);
            std::fclose(mf);
            return closelisting(-1);
        }
        for (int i = 0; i < count; ++i) {
            char raw[8];
            if (!bytes::readBytes(mf, raw, 8)) {
                printout("Error reading %s.\n", macroFileName_.c_str());
                std::fclose(mf);
                return closelisting(-1);
            }
            std::string name;
            for (char c : raw) {
                if (c == ' ' || c == 0) break;
                name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
            }
            macros_.push_back(name);
        }
        std::fclose(mf);
        if (groups_ < macroGroup && !macros_.empty()) return closelisting(fail("macro names without their group"));
    }
    std::int64_t count = static_cast<std::int64_t>(macros_.size());
    for (int g = 0; g < groups_; ++g)
        count += static_cast<std::int64_t>(groupStems_[g].size()) * numbers_[g];
    if (count > 65535) return closelisting(fail("too many series"));
    seriesCount_ = static_cast<std::uint16_t>(count);
    ready_ = true;
    return closelisting(0);
}

std::uint16_t Dirfor::baseyear() { return baseYear_; }

std::int64_t Dirfor::groupRecord(int j, int i, int n) const {
    return bases_[j] + i + static_cast<std::int64_t>(stems_[j]) * (n - 1) + 1;
}

std::int64_t Dirfor::macroRecord(int m) const {
    return m + (groups_ >= macroGroup ? bases_[macroGroup - 1] : 0) + 1;
}

int Dirfor::readrecord(std::FILE* f, std::int64_t record, int length, std::vector<float>& out,
                       const char* fileWord) {
    const std::int64_t pos = 4 * static_cast<std::int64_t>(length) * record;
    const std::int64_t size = f == dataFile_ ? forecastSize_ : historySize_;
    if (record < 0 || !platform::seekTo(f, pos)) {
        printout("Error fseeking on %s file.  Pos=%ld.\n", fileWord, static_cast<long>(pos));
        return -1;
    }
    out.assign(length, 0.0f);
    std::vector<std::uint8_t> raw(4 * static_cast<std::size_t>(length));
    if (pos + static_cast<std::int64_t>(raw.size()) > size || !bytes::readBytes(f, raw.data(), raw.size())) {
        printout("Error reading %s.\n", fileWord);
        return -1;
    }
    for (int k = 0; k < length; ++k) out[k] = bytes::getF32(&raw[4 * k]);
    return 0;
}

// With history: the forecast moves to entry D on, and the history, scaled so that its last
// value (the base year) meets the forecast at D, fills the entries before it.
int Dirfor::splice(float* array, std::int64_t record) {
    const int d = forecastBase_ - historyStart_;
    for (int k = forecastYears_ - 1; k >= 0; --k) array[d + k] = array[k];
    for (int k = 0; k < d; ++k) array[k] = 0.0f;
    for (int k = d + forecastYears_; k < seriesArrayLength; ++k) array[k] = MISSING;
    std::vector<float> hist;
    if (readrecord(historyFile_, record, historyLength_, hist, "Dirhis") != 0) {
        for (int k = 0; k <= historyLength_ - 2; ++k) array[k] = 0.0f;
        return -1;
    }
    for (float& v : hist)
        if (nohistoryvalue(v)) v = 0.0f;
    const float last = hist[historyLength_ - 1];
    const float ratio = last != 0.0f ? array[d] / last : 0.0f;
    for (int k = 0; k <= historyLength_ - 2; ++k) array[k] = hist[k] * ratio;
    return 0;
}

int Dirfor::getMacro(const char* name, float* array) {
    int m = -1;
    for (std::size_t i = 0; i < macros_.size(); ++i)
        if (macros_[i] == name) {
            m = static_cast<int>(i);
            break;
        }
    if (m < 0) {
        for (int k = 0; k <= historyLength_ - 2; ++k) array[k] = 0.0f;
        return 1;
    }
    const std::int64_t record = macroRecord(m);
    std::vector<float> values;
    if (readrecord(dataFile_, record, recordLength_, values, "Dirfor") != 0) return -1;
    for (int k = 0; k < seriesArrayLength; ++k) array[k] = k < recordLength_ ? values[k] : MISSING;
    if (!history_) return 0;
    return splice(array, record);
}

int Dirfor::getGroupSeries(const char* name, float* array) {
    std::vector<char> stem(std::strlen(name) + 1);
    const int n = splitdigits(name, stem.data());
    if (n < 1) return -1;
    for (int j = 0; j < groups_; ++j) {
        const auto& stems = groupStems_[j];
        for (std::size_t i = 0; i < stems.size(); ++i) {
            if (stems[i] != stem.data()) continue;
            if (n > numbers_[j]) break;  // past the group's numbers: not in the bank
            const std::int64_t record = groupRecord(j, static_cast<int>(i), n);
            std::vector<float> values;
            if (readrecord(dataFile_, record, recordLength_, values, "Dirfor") != 0) {
                for (int k = 0; k <= historyLength_ - 2; ++k) array[k] = 0.0f;
                return -1;
            }
            for (int k = 0; k < seriesArrayLength; ++k) {
                float v = k < recordLength_ ? values[k] : MISSING;
                if (k < recordLength_) {
                    const float a = std::fabs(v);
                    if (!(a >= 0.00000001f) || a > 1e10f) v = 0.0f;
                }
                array[k] = v;
            }
            if (!history_) return 0;
            return splice(array, record) == 0 ? 0 : -1;
        }
    }
    for (int k = 0; k < historyLength_; ++k) array[k] = 0.0f;
    return -2;
}

std::int16_t Dirfor::getser(const char* name, float* array, std::int16_t) {
    if (status_ != 1 || !name) return -1;
    std::vector<float> scratch;
    if (!array) {
        scratch.resize(seriesArrayLength);
        array = scratch.data();
    }
    const int r = getMacro(name, array);
    if (r != 1) return static_cast<std::int16_t>(r);
    return static_cast<std::int16_t>(getGroupSeries(name, array));
}

std::int16_t Dirfor::collectser(std::vector<std::string>& list, const char* pattern,
                                std::int16_t) {
    list.clear();
    const char* p = pattern ? pattern : "";
    char name[64];
    for (int g = 0; g < groups_; ++g) {
        if (g == macroGroup - 1) continue;
        for (const std::string& stem : groupStems_[g])
            for (int k = 1; k <= numbers_[g]; ++k) {
                if (platform::escapePressed()) return 0;
                std::snprintf(name, sizeof name, "%s%d", stem.c_str(), k);
                if (*p == 0 || wildmatch(name, p) == 1) list.emplace_back(name);
            }
    }
    for (const std::string& m : macros_) {
        if (platform::escapePressed()) return 0;
        if (*p == 0 || wildmatch(m.c_str(), p) == 1) list.push_back(m);
    }
    return 0;
}

int Dirfor::info(std::int16_t slot) {
    printout("Index file read.\n");
    printout("Title of assigned bank:%s\n", title_.c_str());
    printout("\r\nBase year %d.", baseyear());
    printout("Max observations per series %d.\n", maxObs_);
    printout("Contains %d series.\n", seriesCount_);
    if (slot != 0) printout("\r\nThis bank assigned as bank: %c.\r\n", 'a' + slot);
    return 0;
}
