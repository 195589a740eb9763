// The workspace-format bank: <stem>.bnk holds an 86-byte header and one fixed-length record
// per series (a frequency byte and maxObs single-precision values); <stem>.ind holds the
// series count, the name offsets and the NUL-terminated names. Little-endian, byte-packed.
//
// Safety: a record is written (and flushed to the file) before the index names it; the index
// is written whole beside the old one and renamed over it, so an interrupted program leaves a
// bank that opens with every series stored before the interruption. Counts and offsets read
// from the files are checked before use; a damaged bank is refused, never trusted.
//
// The index journal <stem>.inj: so that a new name does not cost a rewrite of every name
// before it, a bank open for writing appends each new name to a small journal beside the
// index instead, and writes the index whole (folding the journal in, then removing it) only
// once the journal holds an eighth of the names, and when the bank is closed. Deletes go to
// the journal the same way, each entered before its record is moved. Its layout, little-endian:
// a 16-byte header ("JXJ1", the series count of the index it extends, 2 unused bytes and a
// 64-bit FNV-1a digest of that index's bytes), then entries of a type byte ('a' a name
// added, 'd' a series deleted), the 16-bit ordinal, the 16-bit name length, the name and a
// 32-bit FNV-1a check of the entry's bytes. Every opening reads the journal after the index;
// a journal written against another index (its digest differs) is ignored, and an entry
// that is cut short or whose check fails ends it.
//
// A bank opened for writing (New, ReadWrite) holds an exclusive advisory lock on its data
// file while it is open; another program that would write it is refused. Banks opened Read
// take no lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "banks/databank.h"
#include "platform/files.h"
#include "platform/mapping.h"

// Sizes of the data file's layout.
constexpr int bankHeaderSize = 86;
constexpr int bankTitleSize = 80;
// Name offsets are 16-bit: a name block ends below this offset.
constexpr int maxNameOffset = 65534;
// From this offset on, an addition warns that the name block is nearly full.
constexpr int nameBlockWarnOffset = 65516;

class JexBank : public DataBank {
public:
    // mode: "New" (create empty, truncating), "Read" or "ReadWrite". baseYear, maxObs and
    // firstMonth are used by New only. quiet suppresses the constructor's messages.
    JexBank(const char* stem, const char* mode, int baseYear, int maxObs, int firstMonth,
            int quiet = 0);
    ~JexBank() override;

    std::int16_t getser(const char* name, float* array, std::int16_t count) override;
    std::int16_t show(const char*, int, std::FILE*) override { return 1; }
    int findser(const char* name) override;
    // The names matching the pattern, in index order (cache mode: sorted). 0, or 27 when
    // Escape stopped the walk (the list then holds the names collected before it).
    std::int16_t collectser(std::vector<std::string>& list, const char* pattern,
                            std::int16_t columns) override;
    const char* settitle(const char* text) override;

    // Rewrites the index file (beside the old one, renamed over it); 0 or -1. Nothing in
    // cache mode.
    int writeIndex();
    // Adds or replaces a series; writeIndexLetter 'y' rewrites the index. Returns the
    // series' ordinal, or -1 (no room, write failure; a new name is then taken out again).
    int addser(const char* name, const float* values, char writeIndexLetter,
               std::int16_t count = -1);
    std::int16_t delser(const char* name);
    std::int16_t renser(const char* oldName, const char* newName);

    // True when the bank could not be opened for writing because another program holds it.
    bool inUse() const { return inUse_; }
    // Names added since the index file was last written whole (they stand in the journal).
    int journaledNames() const { return pendingNames_; }
    // The journal's path: beside the index file (its symbolic links followed), extension .inj.
    const std::string& journalPath() const { return journalPath_; }

    bool cacheOn() const { return cacheOn_ != 0; }
    void setCache(bool on);
    char mode() const { return mode_; }
    std::uint8_t lastFrequency() const { return lastFrequency_; }
    // Bytes of the name block in use (the offset after the last NUL, plus one).
    std::int32_t nameBytes() const { return nameBytes_; }
    // Name of series i in index order (no check: 0 <= i < seriesCount).
    const char* nameAt(int i) const {
        return reinterpret_cast<const char*>(names_.data()) + nameOffsets_[i];
    }

    // Durability. Every record and index write is handed to the operating system (a write
    // system call, no user-space buffer left behind) before addser, delser, renser or
    // settitle returns, so that a crash or kill of the program loses nothing stored before
    // it: the bank reopens with every series. syncWrites additionally forces each write to
    // the storage device (fsync), which protects against a power cut or a crash of the
    // system at several times the cost of a store (docs/performance.md); it is off by
    // default and can be turned on where that protection is worth it.
    static bool syncWrites;

    // Record cache of a bank opened for writing (New, ReadWrite: the workspace): a copy of
    // each record read or written, kept in memory and written through, so that fetches are
    // served from memory while every store still reaches the file before it returns. The
    // files are the same byte for byte. Banks opened Read are always read from the file.
    // recordCacheLimit bounds the memory it holds (bytes); records beyond it are read from
    // the file each time.
    static std::size_t recordCacheLimit;
    // Records held in memory now (for tests and benchmarks).
    int cachedRecords() const { return cachedRecordCount_; }

    // Records through a shared mapping of the data file. A bank opened for writing that
    // holds its lock maps the data file (where the file system allows: see
    // platform/mapping.h), and then reads and replaces records that lie in the file by
    // copying their bytes straight from and to the operating system's copy of the file: the
    // same bytes a positioned write would put there, at once in the file (a kill of the
    // program cannot lose them), without a system call or an encoding buffer, and with no
    // record cache beside it. A record new at the end of the file is still written with one
    // positioned write (the file grows by it, never by more), and with syncWrites every
    // record is. mapRecords (on by default) is read when a bank is opened.
    static bool mapRecords;
    bool recordsMapped() const { return mapping_.mapped(); }

private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };
    using NameMap = std::unordered_map<std::string, int, NameHash, std::equal_to<>>;

    int openExisting(const char* fileMode, int quiet);
    // Takes the write lock of a bank opened for writing; 0, or -1 after the message.
    int lockForWriting(int quiet);
    // The journal: applied after the index is read (a writer redoes an interrupted move and
    // folds it into the index), appended to, and dropped once the index holds everything.
    void replayJournal();
    int appendJournal(char type, int ordinal, const char* name);
    void dropJournal();
    // Forgets the journal of a writer whose files another writer of this program has taken.
    void supersede();
    std::uint64_t indexDigest() const;
    // True when the next change should rewrite the index whole instead of going to the
    // journal: the journal would hold an eighth of the names, or many deletes (each costs a
    // reader a pass over the names).
    bool journalFull() const {
        return (pendingNames_ + pendingDeletes_ + 1) * 8 >= seriesCount_ || pendingDeletes_ >= 256;
    }
    // Appends a name to the in-memory index; false when the name block has no room.
    bool appendName(const char* name);
    void dropLastName();
    int createNew(int baseYear, int maxObs, int firstMonth, int quiet);
    int readIndex(int quiet);
    void rebuildNameMap();
    int writeHeader();
    // Record i: raw read and write, without alignment.
    int readRecord(int i, std::uint8_t& freq, std::vector<float>& values, int n,
                   const char* name);
    int readRecordInto(int i, std::uint8_t& freq, float* values, int n, const char* name);
    int writeRecord(int i, std::uint8_t freq, const float* values, int n, const char* name);
    void align(float* array, int n) const;
    // Replaces the name of entry i by text; with drop set the last entry goes away too.
    void replaceName(int i, const char* text, bool dropLast);
    std::int16_t delren(char op, const char* oldName, const char* newName);
    // The record cache: keep / drop the copy of record i; drop every copy.
    bool recordCacheable() const { return mode_ != 'r' && !mapping_.mapped(); }
    // Maps the data file of a bank opened for writing (mapRecords, the lock held).
    void mapRecordsIfAllowed();
    // The mapped bytes of record i from its start (the frequency byte), when the mapping
    // holds `bytes` of it inside the file; null otherwise.
    std::uint8_t* mappedRecord(int i, std::size_t bytes) const {
        const std::int64_t at = recordOffset(i);
        if (!mapping_.mapped() || at < 0 ||
            at + static_cast<std::int64_t>(bytes) > dataSize_ ||
            at + static_cast<std::int64_t>(bytes) > static_cast<std::int64_t>(mapping_.reserved()))
            return nullptr;
        return mapping_.data() + at;
    }
    void keepRecord(int i, std::uint8_t freq, const float* values, int n, bool whole);
    void dropRecord(int i);
    void dropRecords();
    // A bank opened Read on the files of a bank open for writing in this program (the
    // workspace's own files assigned to a slot) reads the header and index again whenever
    // the writer rewrites them, so that its names never point at records that have moved.
    void notifyReaders();
    void reloadFromFiles();

    std::int64_t recordOffset(int i) const {
        return bankHeaderSize + static_cast<std::int64_t>(i) * (4 * maxObs_ + 1);
    }
    // The record that holds series i: its own, except while a bank opened Read sees a delete
    // whose move of the last record had not finished.
    int recordOf(int i) const { return i == movedTo_ ? movedFrom_ : i; }

    std::int32_t nameBytes_ = 1;
    std::vector<std::uint8_t> names_;          // the name block (+ one trailing byte)
    std::vector<std::uint16_t> nameOffsets_;   // seriesCount + 1 entries
    NameMap nameMap_;                          // name -> ordinal (first of equal names)
    // Whether every name of the index is unique (then the ordinal holding a name is the one
    // nameMap_ gives), and the ordinal findser found last: a name is often asked for twice in
    // a row (whether the workspace holds it, then its values), and the second time is a check
    // of the name at that ordinal instead of a hash look-up.
    bool uniqueNames_ = true;
    int lastFound_ = -1;
    char mode_ = 'n';
    char cacheOn_ = 0;
    std::uint8_t lastFrequency_ = 0;
    std::vector<std::uint8_t> scratch_;        // one record's bytes, reused by every read
    std::vector<std::uint8_t> encoded_;        // one record's bytes, reused by every write
    std::int64_t dataSize_ = 0;                // bytes of the data file
    struct CachedRecord {
        bool valid = false;
        std::uint8_t freq = 0;
        std::vector<float> values;             // maxObs values, as in the file
    };
    std::vector<CachedRecord> records_;        // by ordinal
    int cachedRecordCount_ = 0;
    std::uint64_t fileDevice_ = 0, fileInode_ = 0;  // identity of the open data file
    platform::FileLock lock_;
    platform::SharedFileMapping mapping_;
    bool inUse_ = false;
    // The index as the file holds it (count and digest), and the journal beyond it.
    std::uint16_t diskCount_ = 0;
    std::uint64_t diskDigest_ = 0;
    std::string journalPath_;
    std::FILE* journal_ = nullptr;
    std::int64_t journalEnd_ = 0;
    int pendingNames_ = 0, pendingDeletes_ = 0;
    bool journalFound_ = false;  // a journal file was there when the index was read
    int movedTo_ = -1, movedFrom_ = -1;
};
