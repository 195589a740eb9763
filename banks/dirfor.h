// The directory-of-forecasts bank: the annual results of a forecasting model. A forecast file
// of fixed-length records (K floats each; record 1 holds the header with the base year, the
// number of forecast years and the title), an optional history file (H floats a record, the
// last value for the base year), a listing file (dirfor.dat by default) that gives K, H, the
// groups, their stems and the macro names file, and the macro names file itself.
//
// A series is a macro name, or a stem of a group followed by a number (gdp12); its record
// number addresses both files. Entry 0 of a series read is the bank's own first year.
//
// Every count, length and record position read from the files is checked before use: the
// bank is refused with a message when the listing or the header is damaged, and a read that
// fails gives -1 with a message. Nothing here ends the program.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "banks/databank.h"

class Dirfor : public DataBank {
public:
    static constexpr int maxGroups = 12;
    static constexpr int maxStems = 175;
    static constexpr int maxMacros = 750;
    static constexpr int macroGroup = 6;  // group number of the macro names

    // stem: the forecast file's name or stem (".dfr" is tried when it has no point);
    // listing: the listing file's name (dirfor.dat when null or empty).
    Dirfor(const char* stem, const char* listing);
    ~Dirfor() override;

    // Reads the listing file and the macro names file: 0, -1 on failure, -3 when memory
    // runs out.
    int parseListing();

    std::uint16_t baseyear() override;
    // 0 found, -1 error, -2 not found.
    std::int16_t getser(const char* name, float* array, std::int16_t count) override;
    // 0 found, -1 error, 1 not a macro name.
    int getMacro(const char* name, float* array);
    // 0 found, -1 error, -2 not found.
    int getGroupSeries(const char* name, float* array);
    std::int16_t collectser(std::vector<std::string>& list, const char* pattern,
                            std::int16_t columns) override;
    int info(std::int16_t slot) override;

    // Record number of stem i (from 0) of group j (from 0) with number n (from 1).
    std::int64_t groupRecord(int j, int i, int n) const;
    // Record number of macro name m (from 0).
    std::int64_t macroRecord(int m) const;
    // The record bases C(0..Q).
    const std::vector<std::int64_t>& bases() const { return bases_; }
    int recordLength() const { return recordLength_; }
    int historyLength() const { return historyLength_; }
    int forecastYears() const { return forecastYears_; }
    int forecastBaseYear() const { return forecastBase_; }
    bool hasHistory() const { return history_; }
    const std::vector<std::string>& macroNames() const { return macros_; }

private:
    int readrecord(std::FILE* f, std::int64_t record, int length, std::vector<float>& out,
                   const char* fileWord);
    int splice(float* array, std::int64_t record);
    int fail(const char* what);

    std::FILE* listingFile_ = nullptr;
    std::FILE* historyFile_ = nullptr;
    int forecastYears_ = 0;   // F
    int recordLength_ = 0;    // K
    int historyLength_ = 0;   // H
    int historyStart_ = 0;    // S
    int forecastBase_ = 0;    // the forecast's base year
    std::string listingName_;
    std::string historyName_;
    bool history_ = false;
    int groups_ = 0;          // Q
    bool ready_ = false;
    int macroLayout_ = 0;
    std::vector<int> numbers_;   // A
    std::vector<int> stems_;     // B
    std::vector<std::int64_t> bases_;  // C
    std::vector<std::string> macros_;
    std::vector<std::vector<std::string>> groupStems_;
    std::string macroFileName_;
    std::int64_t forecastSize_ = 0;
    std::int64_t historySize_ = 0;
};
