// The common interface of every data bank: read a series by name, test for a name, collect
// the names that match a wildcard, describe the bank and change its title. The workspace
// format (JexBank) implements it here; other kinds (compressed, hashed, directory of
// forecasts, Vam) plug into the same slots.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Every series array handed to getser or fetchseries has room for at least this many values.
constexpr int seriesArrayLength = 1999;
// Most observations a bank series may have.
constexpr int maxSeriesObs = 1999;

class DataBank {
public:
    using CacheEntry = std::pair<int, std::vector<float>>;  // (frequency, values)
    using Cache = std::map<std::string, CacheEntry>;

    // Empty cache, no texts, no files, seriesCount 0 (the derived constructor sets the rest).
    DataBank();
    // Empty cache, baseYear 1965, frequency 1, maxObs 1999, seriesCount 0, no files. The
    // path is not used: each kind builds its own paths.
    explicit DataBank(const char* path);
    DataBank(const DataBank&) = delete;
    DataBank& operator=(const DataBank&) = delete;

    // ---- the operations, in slot order ----
    virtual ~DataBank();
    virtual std::uint16_t baseyear() { return baseYear_; }
    // Reads `name` into `array` (room for seriesArrayLength values) aligned to the workspace
    // calendar; count -1 means maxObs. Null array: only whether the name exists.
    // 0 delivered, 2 a whole Vam element was loaded, negative when absent or unreadable.
    virtual std::int16_t getser(const char* name, float* array, std::int16_t count) = 0;
    virtual std::int16_t show(const char* name, int slot, std::FILE* in);
    virtual float* loaded() { return nullptr; }
    virtual std::int16_t loadcmd(const char* name, char view, float line);
    virtual std::int16_t storecmd() { return 0; }
    // Position of the name (meaning by kind), -1 when absent.
    virtual int findser(const char* name);
    virtual std::int16_t rows(int element);
    virtual std::int16_t cols(int element);
    virtual char eltype(int element);
    // Prints the matching names to the stream (the results window for stdout).
    virtual std::int16_t listser(std::FILE* out, const char* pattern, std::int16_t columns);
    // Empties the list and appends every name that matches the pattern, in stored order.
    virtual std::int16_t collectser(std::vector<std::string>& list, const char* pattern,
                                    std::int16_t columns) = 0;
    // Prints the bank's description; slot > 0 adds the assigned-as line.
    virtual int info(std::int16_t slot);
    // Replaces the title; returns the new title (null on failure).
    virtual const char* settitle(const char* text);

    // ---- accessors ----
    const char* title() const { return title_.c_str(); }
    const char* dataPath() const { return dataPath_.c_str(); }
    const char* indexPath() const { return indexPath_.c_str(); }
    const char* className() const { return className_.c_str(); }
    std::uint16_t freq() const { return frequency_; }
    void setFreq(int f) { frequency_ = static_cast<std::uint16_t>(f); }
    std::uint16_t maxObs() const { return maxObs_; }
    std::uint16_t seriesCount() const { return seriesCount_; }
    std::uint16_t firstMonth() const { return firstMonth_; }
    char kind() const { return kind_; }
    bool isOpen() const { return status_ == 1; }

protected:
    std::string className_;
    std::string dataPath_;
    std::string indexPath_;
    std::string title_;
    char kind_ = ' ';
    std::int16_t status_ = -1;
    std::FILE* dataFile_ = nullptr;
    std::FILE* indexFile_ = nullptr;
    std::uint16_t baseYear_ = 0;
    std::uint16_t seriesCount_ = 0;
    std::uint16_t frequency_ = 0;
    std::uint16_t maxObs_ = 0;
    std::uint16_t firstMonth_ = 1;
    Cache cache;
    Cache::iterator cacheCursor;
};
