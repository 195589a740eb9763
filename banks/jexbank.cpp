// The workspace-format bank (.bnk data file and .ind index file).
#include "banks/jexbank.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "banks/lookup.h"
#include "core/bytes.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "platform/platform.h"

// Off by default: writes reach the operating system before a command returns (which is
// what survives a crash or kill of the program); forcing them to the device as well costs
// several times a store (see docs/performance.md).
bool JexBank::syncWrites = false;
std::size_t JexBank::recordCacheLimit = std::size_t{256} << 20;
bool JexBank::mapRecords = true;

namespace {

bool flushfile(std::FILE* f) { return platform::flushFile(f, JexBank::syncWrites); }

bool writeat(std::FILE* f, std::int64_t pos, const std::uint8_t* data, std::size_t n) {
    return platform::writeAt(f, pos, data, n, JexBank::syncWrites);
}

std::int64_t filesize(std::FILE* f) { return platform::fileSize(f); }

bool readat(std::FILE* f, std::int64_t pos, std::uint8_t* out, std::size_t n) {
    return platform::readAt(f, pos, out, n);
}

bool seekto(std::FILE* f, std::int64_t pos) { return platform::seekTo(f, pos); }

// FNV-1a over bytes, 32 and 64 bits: the check of a journal entry and the digest of an index.
std::uint32_t fnv32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t h = 2166136261u;
    for (std::size_t k = 0; k < n; ++k) h = (h ^ p[k]) * 16777619u;
    return h;
}

struct Fnv64 {
    std::uint64_t h = 14695981039346656037ull;
    void add(std::uint8_t b) { h = (h ^ b) * 1099511628211ull; }
    void add16(std::uint16_t v) {
        add(static_cast<std::uint8_t>(v & 0xFF));
        add(static_cast<std::uint8_t>(v >> 8));
    }
};

constexpr char journalMagic[4] = {'J', 'X', 'J', '1'};
constexpr std::size_t journalHeaderSize = 16;
// Bytes of an entry around its name: type, ordinal, length, check.
constexpr std::size_t journalEntryFrame = 9;

std::string journalpathfor(const std::string& indexPath) {
    std::string p = platform::resolveLinks(indexPath);
    if (p.size() > 4 && p.compare(p.size() - 4, 4, ".ind") == 0) p.resize(p.size() - 4);
    return p + ".inj";
}

// Every bank of this kind that is open, so that a writer can reach the readers of its files.
std::vector<JexBank*>& openbanks() {
    static std::vector<JexBank*> banks;
    return banks;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Construction

JexBank::JexBank(const char* stem, const char* mode, int baseYear, int maxObs, int firstMonth,
                 int quiet) {
    className_ = "JexBank";
    dataPath_ = std::string(stem ? stem : "") + ".bnk";
    indexPath_ = std::string(stem ? stem : "") + ".ind";
    journalPath_ = journalpathfor(indexPath_);
    frequency_ = 1;
    status_ = -1;
    int rc;
    if (mode && std::strcmp(mode, "New") == 0) {
        mode_ = 'n';
        rc = createNew(baseYear, maxObs, firstMonth, quiet);
    } else if (mode && std::strcmp(mode, "ReadWrite") == 0) {
        mode_ = '+';
        rc = openExisting("r+b", quiet);
    } else {
        mode_ = 'r';
        rc = openExisting("rb", quiet);
    }
    if (rc == 0) {
        kind_ = 'w';
        status_ = 1;
        dataSize_ = filesize(dataFile_);
        rebuildNameMap();
        platform::fileIdentity(dataFile_, fileDevice_, fileInode_);
        mapRecordsIfAllowed();
        // A writer of the same files opened before this one (zap and wsbank open the new
        // workspace before they let the old one go) has nothing more to write: this bank
        // started the files anew, or took in their journal.
        if (mode_ != 'r')
            for (JexBank* other : openbanks())
                if (other->mode_ != 'r' && other->fileInode_ == fileInode_ &&
                    other->fileDevice_ == fileDevice_)
                    other->supersede();
        openbanks().push_back(this);
        // A new bank truncated files that readers may hold.
        if (mode_ == 'n') notifyReaders();
    } else {
        status_ = -1;
        if (dataFile_) std::fclose(dataFile_);
        dataFile_ = nullptr;
        if (journal_) std::fclose(journal_);
        journal_ = nullptr;
        mapping_.release();
        lock_.release();
        names_.clear();
        nameOffsets_.clear();
        seriesCount_ = 0;
    }
}

JexBank::~JexBank() {
    auto& banks = openbanks();
    banks.erase(std::remove(banks.begin(), banks.end(), this), banks.end());
    // Names that stand only in the journal go into the index file before the bank closes,
    // so that the files left behind are the bank's two files alone.
    if (status_ == 1 && mode_ != 'r' && !cacheOn_ && pendingNames_ + pendingDeletes_ > 0)
        writeIndex();
    if (journal_) std::fclose(journal_);
    journal_ = nullptr;
    mapping_.release();
    if (dataFile_) std::fclose(dataFile_);
    if (indexFile_) std::fclose(indexFile_);
    dataFile_ = indexFile_ = nullptr;
    cache.clear();
    cacheOn_ = 0;
}

int JexBank::createNew(int baseYear, int maxObs, int firstMonth, int quiet) {
    if (maxObs < 0 || maxObs > maxSeriesObs) {
        if (!quiet)
            printout("\nError:  a bank series may hold at most %d observations (%d asked).\n",
                     maxSeriesObs, maxObs);
        return -1;
    }
    baseYear_ = static_cast<std::uint16_t>(baseYear < 1900 ? baseYear + 1900 : baseYear);
    firstMonth_ = static_cast<std::uint16_t>(firstMonth);
    maxObs_ = static_cast<std::uint16_t>(maxObs);
    title_ = "Untitled";
    // The file is opened without truncating it and cut only once the lock is held, so that
    // a bank in use by another program is left as it is.
    dataFile_ = platform::openForUpdate(dataPath_);
    if (dataFile_ && lockForWriting(quiet) != 0) return -1;
    if (!dataFile_ || !platform::truncateFile(dataFile_, 0) || writeHeader() != 0) {
        if (!quiet) printout("Cannot open %s\r\nNo bank now assigned\n", dataPath_.c_str());
        kind_ = 'x';
        return -1;
    }
    seriesCount_ = 0;
    nameOffsets_.assign(1, 0);
    names_.assign(1, 0);
    nameBytes_ = 1;
    cacheOn_ = 0;
    // writeIndex reports its own failures; the constructor's message follows.
    if (writeIndex() != 0) {
        if (!quiet) printout("Unable to write to index.\r\n");
        return -1;
    }
    return 0;
}

int JexBank::openExisting(const char* fileMode, int quiet) {
    dataFile_ = std::fopen(dataPath_.c_str(), fileMode);
    std::uint8_t header[bankHeaderSize];
    if (dataFile_ && mode_ != 'r' && lockForWriting(quiet) != 0) return -1;
    if (!dataFile_ || !bytes::readBytes(dataFile_, header, bankHeaderSize)) {
        if (!quiet) printout("Cannot open %s\r\nNo bank now assigned\n", dataPath_.c_str());
        kind_ = 'x';
        return -1;
    }
    bytes::ByteReader h(header, bankHeaderSize);
    std::uint16_t year = 0, month = 0, obs = 0;
    h.u16(year);
    h.u16(month);
    h.u16(obs);
    h.fixedText(title_, bankTitleSize);  // ends at its NUL, or after 79 characters
    baseYear_ = static_cast<std::uint16_t>(year < 1900 ? year + 1900 : year);
    firstMonth_ = month;
    maxObs_ = obs;
    if (obs > maxSeriesObs) {
        if (!quiet)
            printout("\nError:  %s holds %d observations per series; at most %d are allowed.\n"
                     "No bank now assigned\n",
                     dataPath_.c_str(), obs, maxSeriesObs);
        return -1;
    }
    dataSize_ = filesize(dataFile_);
    if (readIndex(quiet) != 0) return -1;
    replayJournal();
    // A writer folds what the journal held into the index at once; a bank whose index
    // cannot be written is not opened for writing.
    if (mode_ != 'r' && journalFound_) {
        if (movedTo_ >= 0) {
            // A delete was interrupted before its move had finished: redo the move.
            std::uint8_t freq = 0;
            std::vector<float> values;
            const int to = movedTo_, from = movedFrom_;
            movedTo_ = movedFrom_ = -1;
            if (readRecord(from, freq, values, maxObs_, nameAt(to)) != 0 ||
                writeRecord(to, freq, values.data(), maxObs_, nameAt(to)) != 0)
                return -1;
        }
        if (writeIndex() != 0) return -1;
    }
    return 0;
}

int JexBank::lockForWriting(int quiet) {
    switch (lock_.acquire(dataFile_, dataPath_)) {
    case platform::FileLock::Locked:
        return 0;
    case platform::FileLock::InUse:
        inUse_ = true;
        if (!quiet)
            printout("\nError:  the bank %s is in use by another program; it is not opened "
                     "for writing.\n",
                     dataPath_.c_str());
        return -1;
    default:
        // A file system without advisory locks: the bank is written unlocked.
        return 0;
    }
}

int JexBank::readIndex(int quiet) {
    std::FILE* f = std::fopen(indexPath_.c_str(), "rb");
    if (!f) {
        if (!quiet)
            printout(" Cannot open index file %s\r\nNo bank now assigned\n", indexPath_.c_str());
        return -1;
    }
    auto fail = [&](const char* message) {
        if (!quiet) printout("%s", message);
        std::fclose(f);
        return -1;
    };
    std::uint16_t count = 0;
    if (!bytes::readU16(f, count)) return fail("Cannot read index file.\n");
    std::vector<std::uint16_t> offsets(count + 1, 0);
    if (count != 0) {
        std::vector<std::uint8_t> raw(2 * (static_cast<std::size_t>(count) + 1));
        if (!bytes::readBytes(f, raw.data(), raw.size())) return fail("Index file not read \n");
        for (std::size_t i = 0; i <= count; ++i) offsets[i] = bytes::getU16(&raw[2 * i]);
    }
    if (offsets[count] == 0xFFFF) return fail("\nError:  overflow in Jexbank constructor.\n\n");
    std::int32_t block = offsets[count] + 1;
    std::vector<std::uint8_t> names(block, 0);
    if (count != 0 && !bytes::readBytes(f, names.data(), block))
        return fail("Index file not read.\n");
    // Every name must begin where the one before it ended, lie inside the block and end at
    // its own NUL: a damaged index is refused rather than trusted.
    bool good = offsets[0] == 0;
    for (std::size_t i = 0; good && i < count; ++i) {
        std::uint16_t a = offsets[i], b = offsets[i + 1];
        if (b <= a || b > offsets[count]) { good = false; break; }
        const void* nul = std::memchr(&names[a], 0, b - a);
        good = nul == &names[b - 1];
    }
    if (!good) {
        char message[600];
        std::snprintf(message, sizeof message,
                      "\nError:  the index file %s is damaged.\nNo bank now assigned\n",
                      indexPath_.c_str());
        return fail(message);
    }
    std::fclose(f);
    seriesCount_ = count;
    nameOffsets_ = std::move(offsets);
    names_ = std::move(names);
    nameBytes_ = block;
    diskCount_ = count;
    diskDigest_ = indexDigest();
    pendingNames_ = pendingDeletes_ = 0;
    movedTo_ = movedFrom_ = -1;
    return 0;
}

std::uint64_t JexBank::indexDigest() const {
    // The bytes writeIndex writes: the count, then (unless it is 0) the offsets and the
    // name block.
    Fnv64 h;
    h.add16(seriesCount_);
    if (seriesCount_ == 0) return h.h;
    for (int i = 0; i <= seriesCount_; ++i) h.add16(nameOffsets_[i]);
    for (std::int32_t k = 0; k < nameBytes_; ++k) h.add(names_[k]);
    return h.h;
}

bool JexBank::appendName(const char* name) {
    const std::size_t length = std::strlen(name);
    const std::int64_t start = nameOffsets_[seriesCount_];
    if (seriesCount_ >= 65535 || start >= 65535 ||
        start + static_cast<std::int64_t>(length) + 1 >= 65535)
        return false;
    names_.resize(start + length + 2, 0);
    std::memcpy(&names_[start], name, length + 1);
    names_[start + length + 1] = 0;
    nameOffsets_.push_back(static_cast<std::uint16_t>(start + length + 1));
    ++seriesCount_;
    nameBytes_ = nameOffsets_[seriesCount_] + 1;
    if (!nameMap_.emplace(name, seriesCount_ - 1).second) uniqueNames_ = false;
    return true;
}

// ---------------------------------------------------------------------------------------
// The index journal

void JexBank::replayJournal() {
    movedTo_ = movedFrom_ = -1;
    journalFound_ = false;
    std::FILE* j = std::fopen(journalPath_.c_str(), "rb");
    if (!j) return;
    journalFound_ = true;
    const std::int64_t size = filesize(j);
    // At most every name of a full index, each with its frame.
    constexpr std::int64_t largest = journalHeaderSize + 2 * 65536 * (journalEntryFrame + 80);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(std::clamp<std::int64_t>(size, 0, largest)));
    const bool read = !data.empty() && readat(j, 0, data.data(), data.size());
    std::fclose(j);
    if (!read || data.size() < journalHeaderSize || std::memcmp(data.data(), journalMagic, 4) != 0 ||
        bytes::getU16(&data[4]) != diskCount_ || bytes::getU64(&data[8]) != diskDigest_)
        return;  // written against another index: not ours to apply
    std::size_t pos = journalHeaderSize;
    while (pos + journalEntryFrame <= data.size()) {
        const std::uint8_t type = data[pos];
        const int ordinal = bytes::getU16(&data[pos + 1]);
        const std::size_t length = bytes::getU16(&data[pos + 3]);
        const std::size_t end = pos + journalEntryFrame + length;
        if (end > data.size() || fnv32(&data[pos], 5 + length) != bytes::getU32(&data[end - 4]))
            break;
        const std::string name(reinterpret_cast<const char*>(&data[pos + 5]), length);
        if (name.empty() || name.find('\0') != std::string::npos) break;
        if (type == 'a') {
            if (ordinal != seriesCount_ || findser(name.c_str()) >= 0 ||
                recordOffset(ordinal + 1) > dataSize_)
                break;
            // An entry after a delete was written once the delete's move had finished.
            movedTo_ = movedFrom_ = -1;
            if (!appendName(name.c_str())) break;
            ++pendingNames_;
        } else if (type == 'd') {
            if (ordinal >= seriesCount_ || name != nameAt(ordinal)) break;
            movedTo_ = movedFrom_ = -1;
            const int last = seriesCount_ - 1;
            if (ordinal != last) {
                // Until the move of the last record is known to be done, the last series
                // is read from its own record.
                const std::string lastName = nameAt(last);
                replaceName(ordinal, lastName.c_str(), true);
                movedTo_ = ordinal;
                movedFrom_ = last;
            } else {
                dropLastName();
            }
            ++pendingDeletes_;
        } else {
            break;
        }
        pos = end;
    }
}

int JexBank::appendJournal(char type, int ordinal, const char* name) {
    if (!journal_) {
        journal_ = platform::openForUpdate(journalPath_);
        journalEnd_ = 0;
        if (!journal_) return -1;
    }
    bytes::ByteWriter w;
    if (journalEnd_ == 0) {
        if (!platform::truncateFile(journal_, 0)) return -1;
        w.raw(journalMagic, 4);
        w.u16(diskCount_);
        w.u16(0);
        w.u32(static_cast<std::uint32_t>(diskDigest_ & 0xFFFFFFFFu));
        w.u32(static_cast<std::uint32_t>(diskDigest_ >> 32));
    }
    const std::size_t start = w.size();
    const std::size_t length = std::strlen(name);
    w.u8(static_cast<std::uint8_t>(type));
    w.u16(static_cast<std::uint16_t>(ordinal));
    w.u16(static_cast<std::uint16_t>(length));
    w.raw(name, length);
    w.u32(fnv32(w.data().data() + start, 5 + length));
    // A write cut short is not counted: the next entry goes over it, and a reader stops at
    // its failed check.
    if (!writeat(journal_, journalEnd_, w.data().data(), w.size())) return -1;
    journalEnd_ += static_cast<std::int64_t>(w.size());
    return 0;
}

void JexBank::supersede() {
    // The newer writer may cut the file short: nothing more is touched through the mapping.
    mapping_.release();
    if (journal_) std::fclose(journal_);
    journal_ = nullptr;
    journalEnd_ = 0;
    pendingNames_ = pendingDeletes_ = 0;
}

void JexBank::dropJournal() {
    if (journal_) std::fclose(journal_);
    journal_ = nullptr;
    journalEnd_ = 0;
    pendingNames_ = pendingDeletes_ = 0;
    journalFound_ = false;
    platform::removeFile(journalPath_);
}

void JexBank::rebuildNameMap() {
    nameMap_.clear();
    nameMap_.reserve(seriesCount_);
    for (int i = 0; i < seriesCount_; ++i) nameMap_.emplace(nameAt(i), i);  // first one wins
    uniqueNames_ = nameMap_.size() == static_cast<std::size_t>(seriesCount_);
    lastFound_ = -1;
}

int JexBank::writeHeader() {
    bytes::ByteWriter w;
    w.u16(baseYear_);
    w.u16(firstMonth_);
    w.u16(maxObs_);
    w.fixedText(title_.c_str(), bankTitleSize);
    if (!seekto(dataFile_, 0)) return -2;
    if (!bytes::writeBytes(dataFile_, w.data().data(), w.size()) || !flushfile(dataFile_))
        return -1;
    return 0;
}

// ---------------------------------------------------------------------------------------
// Index

int JexBank::writeIndex() {
    if (cacheOn_) return 0;
    if (nameOffsets_.empty()) return -1;  // a bank that failed to open has no index
    platform::ReplacingFile out(indexPath_);
    std::FILE* f = out.open("wb");
    auto fail = [&](const char* message) {
        printout("%s", message);
        printout("Error:  cannot write %s.\n", out.target().c_str());
        out.abandon();
        return -1;
    };
    if (!f || !bytes::writeU16(f, seriesCount_)) return fail("Cannot write index file.\n");
    // An empty bank's index is its count alone.
    const int offsets = seriesCount_ == 0 ? 0 : seriesCount_ + 1;
    const std::int32_t nameBytes = seriesCount_ == 0 ? 0 : nameBytes_;
    bytes::ByteWriter w;
    for (int i = 0; i < offsets; ++i) w.u16(nameOffsets_[i]);
    if (!bytes::writeBytes(f, w.data().data(), w.size())) return fail("Index file not written \n");
    if (!bytes::writeBytes(f, names_.data(), nameBytes) || !out.commit(syncWrites))
        return fail("Index file not written.\n");
    diskCount_ = seriesCount_;
    diskDigest_ = indexDigest();
    // The index now holds every name: the journal (this program's own, under its lock) goes.
    if (mode_ != 'r') dropJournal();
    notifyReaders();
    return 0;
}

void JexBank::notifyReaders() {
    if (fileInode_ == 0) return;
    for (JexBank* other : openbanks())
        if (other != this && other->mode_ == 'r' && other->fileInode_ == fileInode_ &&
            other->fileDevice_ == fileDevice_)
            other->reloadFromFiles();
}

void JexBank::reloadFromFiles() {
    std::uint8_t header[bankHeaderSize];
    bool good = dataFile_ && readat(dataFile_, 0, header, bankHeaderSize);
    if (good) {
        bytes::ByteReader h(header, bankHeaderSize);
        std::uint16_t year = 0, month = 0, obs = 0;
        h.u16(year);
        h.u16(month);
        h.u16(obs);
        h.fixedText(title_, bankTitleSize);
        good = obs <= maxSeriesObs;
        if (good) {
            baseYear_ = static_cast<std::uint16_t>(year < 1900 ? year + 1900 : year);
            firstMonth_ = month;
            maxObs_ = obs;
        }
    }
    dataSize_ = filesize(dataFile_);
    if (good && readIndex(1) == 0) replayJournal();
    else {
        // Nothing that cannot be read again is served from the old names.
        seriesCount_ = 0;
        nameOffsets_.assign(1, 0);
        names_.assign(1, 0);
        nameBytes_ = 1;
    }
    rebuildNameMap();
    dropRecords();
}

// ---------------------------------------------------------------------------------------
// Reading

int JexBank::findser(const char* name) {
    if (!name) return -1;
    if (cacheOn_) return cache.count(name) ? 0 : -1;
    if (uniqueNames_ && lastFound_ >= 0 && lastFound_ < seriesCount_ && std::strcmp(nameAt(lastFound_), name) == 0)
        return lastFound_;
    auto it = nameMap_.find(std::string_view(name));
    if (it == nameMap_.end()) return -1;
    lastFound_ = it->second;
    return lastFound_;
}

int JexBank::readRecord(int i, std::uint8_t& freq, std::vector<float>& values, int n,
                        const char* name) {
    values.resize(n);
    return readRecordInto(i, freq, values.data(), n, name);
}

int JexBank::readRecordInto(int i, std::uint8_t& freq, float* values, int n,
                            const char* name) {
    if (!dataFile_ || recordOffset(i) < 0) {
        printout("Cannot position to location of series in JexBank.\n");
        return -1;
    }
    const std::size_t size = 1 + 4 * static_cast<std::size_t>(n);
    if (const std::uint8_t* mapped = mappedRecord(recordOf(i), size)) {
        // A record not read lately is in no cache, and its pages in no address translation
        // cache: the copy would wait for each page in turn (the processor's own prefetching
        // stops at a page's end). Asking for the first line of every other page first lets
        // those waits overlap (the first page is asked for by the read of the frequency below).
        const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(mapped);
        for (std::uintptr_t page = (start | 4095) + 1; page < start + size; page += 4096)
            __builtin_prefetch(mapped + (page - start));
        freq = mapped[0];
        // (A bank of no observations has records of the frequency byte alone.)
        if constexpr (std::endian::native == std::endian::little) {
            if (n > 0) std::memcpy(values, mapped + 1, size - 1);
        } else
            for (int k = 0; k < n; ++k) values[k] = bytes::getF32(mapped + 1 + 4 * k);
        return 0;
    }
    // One positioned read of the record (every write is flushed before it returns, so the
    // file holds what the stream wrote).
    scratch_.resize(1 + 4 * static_cast<std::size_t>(n));
    if (!readat(dataFile_, recordOffset(recordOf(i)), scratch_.data(), scratch_.size())) {
        printout("\nError:  cannot read series %s from %s.\n", name, dataPath_.c_str());
        return -1;
    }
    freq = scratch_[0];
    for (int k = 0; k < n; ++k) values[k] = bytes::getF32(&scratch_[1 + 4 * k]);
    return 0;
}

void JexBank::align(float* array, int n) const {
    JexDate first;
    first.setMonth(static_cast<std::int16_t>(baseYear_), static_cast<std::int16_t>(firstMonth_),
                   frequency_);
    const long c = first.wsIndex();
    if (c < 0) {
        // The bank starts before the workspace: drop the first |c| values.
        const long k = -c;
        for (long i = 0; i + k < n; ++i) array[i] = array[i + k];
        for (long i = std::max(0L, n - k); i < n; ++i) array[i] = MISSING;
    } else if (c > 0) {
        // The bank starts later: move the values back, never past the array's end.
        long top = std::min<long>(n + c - 1, seriesArrayLength - 1);
        for (long j = top; j >= c; --j) array[j] = array[j - c];
        long fill = std::min<long>(c, seriesArrayLength);
        for (long j = 0; j < fill; ++j) array[j] = MISSING;
    }
}

std::int16_t JexBank::getser(const char* name, float* array, std::int16_t count) {
    if (cacheOn_) {
        try {
            auto it = cache.find(name);
            if (it == cache.end()) return -1;
            if (!array) return 0;
            lastFrequency_ = static_cast<std::uint8_t>(it->second.first);
            frequency_ = lastFrequency_;
            int n = count < 0 ? maxObs_ : std::min<int>(count, seriesArrayLength);
            const std::vector<float>& v = it->second.second;
            for (int k = 0; k < n; ++k) array[k] = k < static_cast<int>(v.size()) ? v[k] : 0.0f;
            if (frequency_ != 0) align(array, n);
            return 0;
        } catch (...) {
            return -1;
        }
    }
    int i = findser(name);
    if (i < 0) return -1;
    if (!array) return 0;
    int n = count < 0 ? maxObs_ : std::min<int>(count, seriesArrayLength);
    const int stored = std::min<int>(n, maxObs_);
    std::fill(array + stored, array + n, 0.0f);
    std::uint8_t freq = 0;
    if (i < static_cast<int>(records_.size()) && records_[i].valid) {
        const CachedRecord& r = records_[i];
        std::copy(r.values.begin(), r.values.begin() + stored, array);
        freq = r.freq;
    } else {
        if (readRecordInto(i, freq, array, stored, name) != 0) {
            std::fill(array, array + n, 0.0f);
            return -1;
        }
        if (stored == maxObs_) keepRecord(i, freq, array, stored, true);
    }
    lastFrequency_ = freq;
    frequency_ = freq;
    if (freq != 0) align(array, n);
    return 0;
}

std::int16_t JexBank::collectser(std::vector<std::string>& list, const char* pattern,
                                 std::int16_t) {
    list.clear();
    const char* p = pattern ? pattern : "";
    auto consider = [&](const char* name) {
        if (platform::escapePressed()) return false;
        if (*p == 0 || wildmatch(name, p) != 0) list.emplace_back(name);
        return true;
    };
    // Escape stops the walk: the list holds the names collected so far and the result is
    // 27, so that a caller acting on the whole list (@agg) can abort instead of using it.
    if (cacheOn_) {
        for (const auto& entry : cache)
            if (!consider(entry.first.c_str())) return 27;
    } else {
        for (int i = 0; i < seriesCount_; ++i)
            if (!consider(nameAt(i))) return 27;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// Writing

int JexBank::writeRecord(int i, std::uint8_t freq, const float* values, int n,
                         const char* name) {
    if (!dataFile_ || recordOffset(i) < 0) {
        printout("Cannot position to write.\n");
        return -1;
    }
    // A record that is new at the end of the file is written whole (missing values after
    // the n given), so that every record the index names lies complete in the file.
    const bool whole = dataSize_ < recordOffset(i + 1);
    const int length = whole ? maxObs_ : n;
    const int given = std::min(n, length);
    const std::size_t size = 1 + 4 * static_cast<std::size_t>(length);
    auto encode = [&](std::uint8_t* to) {
        to[0] = freq;
        std::uint8_t* record = to + 1;
        if constexpr (std::endian::native == std::endian::little) {
            if (given > 0) std::memcpy(record, values, 4 * static_cast<std::size_t>(given));
        } else {
            for (int k = 0; k < given; ++k) bytes::putF32(record + 4 * k, values[k]);
        }
        for (int k = given; k < length; ++k) bytes::putF32(record + 4 * k, MISSING);
    };
    // A record that lies in the file is replaced through the mapping: its bytes are in the
    // file once copied.
    if (!whole && !syncWrites) {
        if (std::uint8_t* mapped = mappedRecord(i, size)) {
            encode(mapped);
            return 0;
        }
    }
    encoded_.resize(size);
    encode(encoded_.data());
    if (!writeat(dataFile_, recordOffset(i), encoded_.data(), encoded_.size())) {
        printout("\nError:  cannot write series %s to %s.\n", name, dataPath_.c_str());
        dropRecord(i);
        dataSize_ = filesize(dataFile_);
        return -1;
    }
    dataSize_ = std::max(dataSize_, recordOffset(i) + static_cast<std::int64_t>(encoded_.size()));
    keepRecord(i, freq, values, n, whole || n >= maxObs_);
    return 0;
}

// ---------------------------------------------------------------------------------------
// Record cache and mapping

void JexBank::mapRecordsIfAllowed() {
    mapping_.release();
    // Only a writer that holds the lock: no other program then cuts the file short under
    // the mapping. The reserve covers the largest bank of this record length.
    if (!mapRecords || mode_ == 'r' || cacheOn_ || !lock_.held() || !dataFile_) return;
    if (!mapping_.map(dataFile_, static_cast<std::size_t>(recordOffset(65536)))) return;
    dropRecords();
}

void JexBank::keepRecord(int i, std::uint8_t freq, const float* values, int n, bool whole) {
    if (!recordCacheable() || i < 0) return;
    if (static_cast<int>(records_.size()) <= i) records_.resize(i + 1);
    CachedRecord& r = records_[i];
    if (!r.valid) {
        // A record not held yet is taken only whole, and only while there is room.
        const std::size_t bytes = static_cast<std::size_t>(maxObs_) * sizeof(float);
        if (!whole || (static_cast<std::size_t>(cachedRecordCount_) + 1) * bytes > recordCacheLimit)
            return;
        r.values.assign(maxObs_, MISSING);
        r.valid = true;
        ++cachedRecordCount_;
    }
    // The file now holds these n values at the front of the record, and (for a whole
    // record) missing values after them; a shorter write leaves the rest as it was.
    const int m = std::min<int>(n, maxObs_);
    std::copy(values, values + m, r.values.begin());
    if (whole) std::fill(r.values.begin() + m, r.values.end(), MISSING);
    r.freq = freq;
}

void JexBank::dropRecord(int i) {
    if (i < 0 || i >= static_cast<int>(records_.size()) || !records_[i].valid) return;
    records_[i].valid = false;
    std::vector<float>().swap(records_[i].values);
    --cachedRecordCount_;
}

void JexBank::dropRecords() {
    records_.clear();
    cachedRecordCount_ = 0;
}

int JexBank::addser(const char* name, const float* values, char writeIndexLetter,
                    std::int16_t count) {
    if (status_ != 1) {
        printout("\nError:  workspace bank is not open.  Cannot write to file.\n");
        return -1;
    }
    // A longer name would be cut by every command that reads it back.
    if (std::strlen(name) > static_cast<std::size_t>(maxSeriesNameLength)) {
        reportlongname(name);
        return -1;
    }
    const std::uint8_t freq = static_cast<std::uint8_t>(frequency_ & 0xFF);
    const int n = count < 0 ? maxObs_ : std::min<int>(count, maxObs_);
    if (cacheOn_) {
        try {
            auto it = cache.find(name);
            if (it == cache.end()) ++seriesCount_;
            cache[name] = CacheEntry(freq, std::vector<float>(values, values + n));
            return 0;
        } catch (...) {
            return -1;
        }
    }
    int i = findser(name);
    const bool isNew = i < 0;
    if (isNew) {
        if (!appendName(name)) {
            printout(" No more room for %s in workspace bank!\r\n", name);
            return -1;
        }
        i = seriesCount_ - 1;
    }
    auto undo = [&]() {
        if (!isNew) return;
        dropRecord(i);
        nameMap_.erase(std::string(name));
        --seriesCount_;
        nameOffsets_.pop_back();
        nameBytes_ = nameOffsets_[seriesCount_] + 1;
        names_.resize(nameBytes_);
        names_[nameBytes_ - 1] = 0;
    };
    // A replaced series keeps its index entry: only a new name is written after its record,
    // into the journal, or (when the journal holds an eighth of the names) with the whole
    // index. The cost of a new name thus stays the same however many names come before it.
    if (writeRecord(i, freq, values, n, name) != 0) {
        undo();
        return -1;
    }
    if (writeIndexLetter == 'y' && isNew) {
        int rc;
        if (journalFull()) {
            rc = writeIndex();
        } else {
            rc = appendJournal('a', i, name);
            if (rc == 0) {
                ++pendingNames_;
                notifyReaders();
            } else {
                printout("\nError:  cannot write %s.\n", journalPath_.c_str());
            }
        }
        if (rc != 0) {
            undo();
            return -1;
        }
    }
    if (seriesCount_ >= 65535 || nameOffsets_[seriesCount_] >= nameBlockWarnOffset) {
        printout("No room for any more variables in data bank\n");
        printout("Series = %d; Characters in names = %d\n", seriesCount_,
                 nameOffsets_[seriesCount_]);
        return -1;
    }
    return i;
}

void JexBank::dropLastName() {
    --seriesCount_;
    nameOffsets_.pop_back();
    nameBytes_ = nameOffsets_[seriesCount_] + 1;
    names_.resize(nameBytes_);
    names_[nameBytes_ - 1] = 0;
    rebuildNameMap();
}

void JexBank::replaceName(int i, const char* text, bool dropLast) {
    const int last = dropLast ? seriesCount_ - 1 : seriesCount_;
    const std::size_t length = std::strlen(text);
    std::vector<std::uint8_t> block(names_.begin(), names_.begin() + nameOffsets_[i]);
    block.insert(block.end(), text, text + length + 1);
    std::vector<std::uint16_t> offsets(nameOffsets_.begin(), nameOffsets_.begin() + i + 1);
    for (int k = i + 1; k < last; ++k) {
        const char* n = nameAt(k);
        block.insert(block.end(), n, n + std::strlen(n) + 1);
        offsets.push_back(static_cast<std::uint16_t>(block.size() - (std::strlen(n) + 1)));
    }
    offsets.push_back(static_cast<std::uint16_t>(block.size()));
    block.push_back(0);  // the byte after the last NUL
    names_ = std::move(block);
    nameOffsets_ = std::move(offsets);
    seriesCount_ = static_cast<std::uint16_t>(last);
    nameBytes_ = nameOffsets_[seriesCount_] + 1;
    rebuildNameMap();
}

std::int16_t JexBank::delren(char op, const char* oldName, const char* newName) {
    if (cacheOn_) {
        auto it = cache.find(oldName);
        if (it == cache.end()) {
            printout("Cannot find %s\n", oldName);
            return -1;
        }
        if (op == 'r') {
            if (std::strcmp(oldName, newName) == 0) return 0;
            if (cache.count(newName)) {
                printout("\nError:  %s already exists in the workspace bank.\n", newName);
                return -1;
            }
            CacheEntry copy = it->second;
            cache[newName] = std::move(copy);
            cache.erase(oldName);
        } else {
            --seriesCount_;
            cache.erase(it);
        }
        return 0;
    }
    const int i = findser(oldName);
    if (i < 0) {
        printout("Cannot find %s\n", oldName);
        return -1;
    }
    if (op == 'r') {
        if (std::strcmp(oldName, newName) == 0) return 0;
        if (std::strlen(newName) > static_cast<std::size_t>(maxSeriesNameLength)) {
            reportlongname(newName);
            return -1;
        }
        if (findser(newName) >= 0) {
            printout("\nError:  %s already exists in the workspace bank.\n", newName);
            return -1;
        }
        const std::int64_t end = static_cast<std::int64_t>(nameOffsets_[seriesCount_]) +
                                 std::strlen(newName) - std::strlen(oldName);
        if (end > maxNameOffset) {
            printout(" No more room for %s in workspace bank!\r\n", newName);
            return -1;
        }
        auto savedNames = names_;
        auto savedOffsets = nameOffsets_;
        replaceName(i, newName, false);
        if (writeIndex() != 0) {
            names_ = std::move(savedNames);
            nameOffsets_ = std::move(savedOffsets);
            nameBytes_ = nameOffsets_[seriesCount_] + 1;
            rebuildNameMap();
            return -1;
        }
        return 0;
    }
    // Delete.
    const int last = seriesCount_ - 1;
    auto savedNames = names_;
    auto savedOffsets = nameOffsets_;
    auto restore = [&]() {
        dropRecords();  // the files are the truth after a failure
        names_ = std::move(savedNames);
        nameOffsets_ = std::move(savedOffsets);
        seriesCount_ = static_cast<std::uint16_t>(nameOffsets_.size() - 1);
        nameBytes_ = nameOffsets_[seriesCount_] + 1;
        rebuildNameMap();
    };
    if (i != last) {
        // The last series takes the freed place: its record is copied as stored (no
        // alignment) over record i. The journal says so first, so that a bank interrupted
        // during the copy opens with the delete done (the last series then read from its own
        // record, or the copy redone by the next writer) and never with a name over a record
        // half written; the index is rewritten after the copy.
        std::uint8_t freq = 0;
        std::vector<float> values;
        const std::string lastName = nameAt(last);
        if (readRecord(last, freq, values, maxObs_, lastName.c_str()) != 0) return -1;
        const std::int64_t journalWas = journalEnd_;
        if (appendJournal('d', i, oldName) != 0) {
            printout("\nError:  cannot write %s.\n", journalPath_.c_str());
            return -1;
        }
        frequency_ = freq;
        if (writeRecord(i, freq, values.data(), maxObs_, oldName) != 0) {
            // The delete is withdrawn from the journal; the names stay as they were.
            if (journal_ && platform::truncateFile(journal_, journalWas)) journalEnd_ = journalWas;
            dropRecords();
            return -1;
        }
        replaceName(i, lastName.c_str(), true);
        dropRecord(last);
        // The journal holds the delete: the index is rewritten when the journal is full
        // (a failure there leaves the delete done, in the journal).
        ++pendingDeletes_;
        if (journalFull()) writeIndex();
        else notifyReaders();
        return 0;
    }
    if (journalFull()) {
        dropRecord(last);
        dropLastName();
        if (writeIndex() != 0) {
            restore();
            return -1;
        }
        return 0;
    }
    if (appendJournal('d', i, oldName) != 0) {
        printout("\nError:  cannot write %s.\n", journalPath_.c_str());
        return -1;
    }
    ++pendingDeletes_;
    dropRecord(last);
    dropLastName();
    notifyReaders();
    return 0;
}

std::int16_t JexBank::delser(const char* name) { return delren('d', name, nullptr); }

std::int16_t JexBank::renser(const char* oldName, const char* newName) {
    return delren('r', oldName, newName);
}

const char* JexBank::settitle(const char* text) {
    title_ = text ? text : "";
    if (title_.size() > bankTitleSize - 1) title_.resize(bankTitleSize - 1);
    int rc = dataFile_ ? writeHeader() : -1;
    if (rc == -2) {
        printout("Cannot fseek.\n");
        return nullptr;
    }
    if (rc != 0) {
        printout("Cannot open %s\r\nNo bank now assigned\n", dataPath_.c_str());
        return nullptr;
    }
    notifyReaders();
    return title_.c_str();
}

void JexBank::setCache(bool on) {
    cache.clear();
    dropRecords();
    cacheOn_ = on ? 1 : 0;
}
