// Opening a Vam bank, its element tables and accessors, and the in-place rewrites of its
// header and tables.
#include "vam/vamfile.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <new>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/bytes.h"
#include "core/printout.h"
#include "platform/files.h"
#include "vam/groups.h"
#include "vam/vampath.h"
#include "views/vam_grid.h"

bool pmModeAdvanced = false;

namespace {

// Bytes before the data: 104 + 32P + 73N + S.
long long tablesSize(long long n, long long p, long long s) { return 104 + 32 * p + 73 * n + s; }

bool quietdate(float x, JexDate& d) {
    if (!std::isfinite(x) || std::fabs(x) > 1.0e6f) return false;
    if (d.fromFloat(x) != 0) return false;
    return d.frequency != 0;
}

}  // namespace

std::vector<std::uint8_t> encodevamtables(const VamTables& t) {
    bytes::ByteWriter w;
    const VamHeader& h = t.header;
    w.f32(h.firstDate);
    w.f32(h.endDate);
    w.i32(h.recordFloats);
    w.i32(h.dataStart);
    w.i16(h.elementTotal);
    w.u16(h.poolSize);
    w.i16(h.packedTotal);
    w.fixedText(h.title, vamTitleSize);
    for (const std::string& s : t.packedNames) w.fixedText(s.c_str(), vamPackedNameSize);
    std::uint16_t offset = 0;
    w.u16(0);
    for (const std::string& s : t.names) {
        offset = static_cast<std::uint16_t>(offset + s.size() + 1);
        w.u16(offset);
    }
    for (auto v : t.sizes) w.i32(v);
    for (auto v : t.rows) w.u16(v);
    for (auto v : t.columns) w.u16(v);
    for (auto v : t.lags) w.i16(v);
    for (char c : t.types) w.u8(static_cast<std::uint8_t>(c));
    for (const std::string& s : t.names) w.name(s.c_str());
    for (const std::string& s : t.rowStubs) w.fixedText(s.c_str(), vamStubNameSize);
    for (const std::string& s : t.columnStubs) w.fixedText(s.c_str(), vamStubNameSize);
    return w.data();
}

bool decodevamtables(const std::uint8_t* data, std::size_t size, long long fileSize,
                     VamLayout& out) {
    bytes::ByteReader r(data, size);
    VamTables& t = out.t;
    VamHeader& h = t.header;
    if (!r.f32(h.firstDate) || !r.f32(h.endDate) || !r.i32(h.recordFloats) ||
        !r.i32(h.dataStart) || !r.i16(h.elementTotal) || !r.u16(h.poolSize) ||
        !r.i16(h.packedTotal) || !r.raw(h.title, vamTitleSize))
        return false;
    h.title[vamTitleSize - 1] = 0;
    if (h.packedTotal < 0) h.packedTotal = 0;
    const int n = h.elementTotal;
    const int p = h.packedTotal;
    const int s = h.poolSize;
    if (n < 0 || n > vamMaxElements) return false;
    if (h.dataStart != tablesSize(n, p, s)) return false;
    if (static_cast<long long>(size) < tablesSize(n, p, s)) return false;

    if (!quietdate(h.firstDate, out.first) || !quietdate(h.endDate, out.last)) return false;
    if (out.first.frequency != out.last.frequency) return false;
    const long long periods = static_cast<long long>(out.last - out.first) + 1;
    if (periods < 1 || periods > 32767) return false;
    out.periods = static_cast<int>(periods);

    t.packedNames.resize(p);
    for (auto& name : t.packedNames)
        if (!r.fixedText(name, vamPackedNameSize)) return false;
    std::vector<std::uint16_t> offsets(n + 1);
    for (auto& o : offsets)
        if (!r.u16(o)) return false;
    if (offsets[0] != 0 || offsets[n] != s) return false;
    for (int i = 0; i < n; ++i)
        if (offsets[i + 1] <= offsets[i]) return false;
    t.sizes.resize(n);
    t.rows.resize(n);
    t.columns.resize(n);
    t.lags.resize(n);
    t.types.resize(n);
    for (auto& v : t.sizes)
        if (!r.i32(v)) return false;
    for (auto& v : t.rows)
        if (!r.u16(v)) return false;
    for (auto& v : t.columns)
        if (!r.u16(v)) return false;
    for (auto& v : t.lags)
        if (!r.i16(v)) return false;
    for (auto& c : t.types) {
        std::uint8_t b;
        if (!r.u8(b)) return false;
        c = static_cast<char>(b);
    }
    std::vector<char> pool(s);
    if (!r.raw(pool.data(), pool.size())) return false;
    t.names.resize(n);
    for (int i = 0; i < n; ++i) {
        const std::size_t length = offsets[i + 1] - offsets[i] - 1u;
        const char* start = pool.data() + offsets[i];
        if (start[length] != 0 || std::memchr(start, 0, length) != nullptr) return false;
        t.names[i].assign(start, length);
    }
    t.rowStubs.resize(n);
    t.columnStubs.resize(n);
    for (auto& v : t.rowStubs)
        if (!r.fixedText(v, vamStubNameSize)) return false;
    for (auto& v : t.columnStubs)
        if (!r.fixedText(v, vamStubNameSize)) return false;

    out.floatOffsets.assign(n + 1, 0);
    long long floats = 0;
    out.seriesCount = 0;
    for (int i = 0; i < n; ++i) {
        const char type = t.types[i];
        if (type != 'v' && type != 'l' && type != 'm' && type != 'p') return false;
        if (t.rows[i] == 0 || t.columns[i] == 0) return false;
        if (static_cast<long long>(t.rows[i]) * t.columns[i] != t.sizes[i]) return false;
        if (type == 'p' && (t.lags[i] < 0 || t.lags[i] >= p)) return false;
        out.floatOffsets[i] = static_cast<std::int32_t>(floats);
        if (type != 'p') floats += t.sizes[i];
        if (floats > 0x7fffffffLL) return false;
        if (t.columns[i] == 1) out.seriesCount += t.sizes[i];
    }
    out.floatOffsets[n] = static_cast<std::int32_t>(floats);
    if (floats != h.recordFloats) return false;
    if (fileSize >= 0 && fileSize < h.dataStart + 4 * floats * periods) return false;
    return true;
}

VamFile::VamFile(const char* stem) : DataBank(stem) {
    emptydynamicgroup();
    const std::string path = vampath(stem) + ".vam";
    dataPath_ = path;
    auto refuse = [&] {
        printout("Cannot open %s.\n", path.c_str());
        kind_ = 'x';
        status_ = -1;
        if (dataFile_) std::fclose(dataFile_);
        dataFile_ = nullptr;
        layout_ = VamLayout{};
    };
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) { refuse(); return; }
    dataFile_ = std::fopen(path.c_str(), "r+b");
    if (!dataFile_) { refuse(); return; }
    className_ = "VamFile";
    title_ = " ";
    kind_ = 'v';
    directory_ = vamdirectory(path);

    const long long length = platform::fileSize(dataFile_);
    std::uint8_t fixed[22];
    if (length < vamHeaderSize || !platform::readAt(dataFile_, 0, fixed, sizeof fixed)) {
        refuse();
        return;
    }
    const long long n = bytes::getI16(fixed + 16);
    const long long s = bytes::getU16(fixed + 18);
    long long p = bytes::getI16(fixed + 20);
    if (p < 0) p = 0;
    if (n < 0 || n > vamMaxElements || tablesSize(n, p, s) > length) { refuse(); return; }
    std::vector<std::uint8_t> tables(static_cast<std::size_t>(tablesSize(n, p, s)));
    if (!platform::readAt(dataFile_, 0, tables.data(), tables.size())) { refuse(); return; }
    if (!decodevamtables(tables.data(), tables.size(), length, layout_)) { refuse(); return; }
    status_ = 1;
    index_.reserve(layout_.t.names.size());
    for (int i = 0; i < elementCount(); ++i) index_.try_emplace(layout_.t.names[i], i);

    if (vamMode == 'a') {
        const std::string bnk = vampath(stem) + ".bnk";
        if (std::FILE* probe = std::fopen(bnk.c_str(), "rb")) {
            std::fclose(probe);
            companionBank_ = new JexBank(vampath(stem).c_str(), "Read", 1965, 200, 1, 1);
            companionOpen_ = companionBank_->isOpen();
        }
    }
    long long count = layout_.seriesCount;
    if (companionOpen_) count += companionBank_->seriesCount();
    layout_.seriesCount = count;
    seriesCount_ = static_cast<std::uint16_t>(count > 65535 ? 65535 : count);
    firstMonth_ = 1;
    baseYear_ = static_cast<std::uint16_t>(layout_.first.year);
    maxObs_ = static_cast<std::uint16_t>(layout_.periods);
    printout("Found %d static groups.\n", namedgroupcount());
    frequency_ = layout_.first.frequency;
}

VamFile::~VamFile() {
    // The grid window of this bank closes first: its edits may still be saved into the bank.
    closevamgridofbank(this);
    if (isLoaded()) storecmd();
    emptydynamicgroup();
    delete companionBank_;
    if (dataFile_ && std::fclose(dataFile_) != 0)
        printout("\nProblem in vam destructor:  cannot close pbank.\n");
    dataFile_ = nullptr;
}

// ---- elements ----

int VamFile::findser(const char* name) {
    if (!name) return -1;
    const auto found = index_.find(std::string_view(name));
    return found == index_.end() ? -1 : found->second;
}

const char* VamFile::nameOf(int i) const {
    return i >= 0 && i < elementCount() ? layout_.t.names[i].c_str() : nullptr;
}
int VamFile::rowsOf(int i) const { return i >= 0 && i < elementCount() ? layout_.t.rows[i] : -1; }
int VamFile::columnsOf(int i) const {
    return i >= 0 && i < elementCount() ? layout_.t.columns[i] : -1;
}
char VamFile::typeOf(int i) const { return i >= 0 && i < elementCount() ? layout_.t.types[i] : 0; }
int VamFile::lagsOf(int i) const { return i >= 0 && i < elementCount() ? layout_.t.lags[i] : -1; }
long VamFile::offsetOf(int i) const {
    return i >= 0 && i < elementCount() ? layout_.floatOffsets[i] : -1;
}
long VamFile::sizeOf(int i) const { return i >= 0 && i < elementCount() ? layout_.t.sizes[i] : -1; }
const char* VamFile::packedFileName(int slot) const {
    return slot >= 0 && slot < packedCount() ? layout_.t.packedNames[slot].c_str() : nullptr;
}
const char* VamFile::rowStubFile(int i) const {
    return i >= 0 && i < elementCount() ? layout_.t.rowStubs[i].c_str() : nullptr;
}
const char* VamFile::columnStubFile(int i) const {
    return i >= 0 && i < elementCount() ? layout_.t.columnStubs[i].c_str() : nullptr;
}

std::int16_t VamFile::rows(int i) {
    if (i < 0 || i >= elementCount()) return -1;
    return static_cast<std::int16_t>(layout_.t.sizes[i] / layout_.t.columns[i]);
}
std::int16_t VamFile::cols(int i) {
    return i >= 0 && i < elementCount() ? static_cast<std::int16_t>(layout_.t.columns[i]) : -1;
}
char VamFile::eltype(int i) { return i >= 0 && i < elementCount() ? layout_.t.types[i] : -1; }

long long VamFile::elementPos(int i, long k) const {
    return static_cast<long long>(dataOffset()) +
           4LL * (static_cast<long long>(k) * floatsPerPeriod() + offsetOf(i));
}

bool VamFile::periodOf(const JexDate& date, int& k) const {
    if (date.frequency != layout_.first.frequency) return false;
    const long d = date - layout_.first;
    if (d < 0 || d >= layout_.periods) return false;
    k = static_cast<int>(d);
    return true;
}

// ---- in-place rewrites ----

bool VamFile::writeHeader() {
    std::vector<std::uint8_t> all = encodevamtables(layout_.t);
    return platform::writeAt(dataFile_, 0, all.data(), vamHeaderSize, false);
}

bool VamFile::writeTables() {
    const int n = elementCount();
    bytes::ByteWriter w;
    for (auto v : layout_.t.lags) w.i16(v);
    for (char c : layout_.t.types) w.u8(static_cast<std::uint8_t>(c));
    const long long pos = 104 + 32LL * packedCount() + 10LL * n;
    return platform::writeAt(dataFile_, pos, w.data().data(), w.size(), false);
}

int VamFile::setLag(int i, int lags) {
    if (i < 0 || i >= elementCount()) return -1;
    const std::int16_t oldLag = layout_.t.lags[i];
    const char oldType = layout_.t.types[i];
    layout_.t.lags[i] = static_cast<std::int16_t>(lags);
    layout_.t.types[i] = lags > 0 ? 'l' : 'v';
    if (!writeTables()) {
        layout_.t.lags[i] = oldLag;
        layout_.t.types[i] = oldType;
        printout("\nError:  cannot write the lags of %s into %s.\n", nameOf(i), dataPath());
        return -1;
    }
    return 0;
}

int VamFile::setVamTitle(const char* text) {
    char old[vamTitleSize];
    std::memcpy(old, layout_.t.header.title, vamTitleSize);
    std::memset(layout_.t.header.title, 0, vamTitleSize);
    std::strncpy(layout_.t.header.title, text, vamTitleSize - 1);
    if (!writeHeader()) {
        std::memcpy(layout_.t.header.title, old, vamTitleSize);
        printout("\nError:  cannot write the title into %s.\n", dataPath());
        return -1;
    }
    return 0;
}

int VamFile::setPackedFileName(int slot, const char* name) {
    if (slot < 0 || slot >= packedCount()) return -1;
    std::uint8_t field[vamPackedNameSize] = {};
    std::strncpy(reinterpret_cast<char*>(field), name, vamPackedNameSize - 1);
    if (!platform::writeAt(dataFile_, vamHeaderSize + 32LL * slot, field, sizeof field, false)) {
        printout("\nError:  cannot write the packed matrix file name into %s.\n", dataPath());
        return -1;
    }
    layout_.t.packedNames[slot] = reinterpret_cast<char*>(field);
    return 0;
}

// ---- files beside the bank ----

std::string VamFile::findFile(const char* name) const {
    const std::string given = vampath(name);
    std::error_code ec;
    const std::string inDirectory =
        directory_.empty() ? given : (std::filesystem::path(directory_) / given).string();
    if (pmModeAdvanced) {
        if (std::filesystem::is_regular_file(inDirectory, ec)) return inDirectory;
    } else {
        if (std::filesystem::is_regular_file(given, ec)) return given;
        if (std::filesystem::is_regular_file(inDirectory, ec)) return inDirectory;
    }
    printout("Cannot open %s for reading.\r\n", name);
    return "";
}

int VamFile::readTitleFile(const char* name, std::vector<std::string>& list, int count) const {
    if (count < 1 || count > 100000) {
        printout("Error:  Illegal size specified for title file.\n");
        list.clear();
        return -1;
    }
    list.assign(count, std::string());
    int filled = 0;
    const std::string path = findFile(name);
    if (!path.empty()) {
        if (std::FILE* f = std::fopen(path.c_str(), "r")) {
            char line[492];
            while (filled < count && std::fgets(line, sizeof line, f)) {
                std::size_t n = std::strlen(line);
                const bool whole = n > 0 && line[n - 1] == '\n';
                while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = 0;
                list[filled++] = line;
                if (!whole) {  // drop the rest of an over-long line
                    int c;
                    while ((c = std::fgetc(f)) != EOF && c != '\n') {}
                }
            }
            std::fclose(f);
        } else {
            printout("Cannot open %s for reading.\r\n", name);
        }
    }
    for (int i = filled; i < count; ++i) list[i] = std::to_string(i + 1) + ";" + std::to_string(i + 1);
    return 0;
}
