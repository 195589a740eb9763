// The Vam bank: the vectors and matrices of a multisectoral model over a run of periods in
// one file <stem>.vam. Layout (little-endian, packed), with N elements, P packed-matrix file
// slots and a name pool of S bytes:
//
//   0   float32  first date (date number)        4  float32  last date
//   8   int32    floats per period record F      12 int32    data offset 104+32P+73N+S
//   16  int16    N (0..999)   18 uint16 S   20 int16 P (negative read as 0)
//   22  char[80] title
//   102 char[32] x P   packed-matrix file names
//   then uint16 x (N+1) name offsets (0 .. S), int32 x N sizes, uint16 x N rows,
//        uint16 x N columns, int16 x N lags (packed elements: their file slot),
//        char x N types (v l m p), the name pool, char[30] x N row-title files,
//        char[30] x N column-title files
//   data offset: one record of F floats per period.
//
// Opening checks every count, offset and size against the others and against the file's
// length; a bank that fails any check is refused ("Cannot open %s.") and never trusted.
//
// At most one element is loaded at a time (whole, one row, one column or one period); the
// store writes it back into the file. Writes go straight to the file at their positions,
// so a killed program leaves every completed write in place.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "banks/databank.h"
#include "core/date.h"

class JexBank;

// The packed-matrix mode: true takes packed-matrix and title files relative to the bank's
// directory only; false tries the name as given first, then the bank's directory.
extern bool pmModeAdvanced;

constexpr int vamHeaderSize = 102;
constexpr int vamTitleSize = 80;
constexpr int vamMaxElements = 999;
constexpr int vamPackedNameSize = 32;
constexpr int vamStubNameSize = 30;
constexpr int vamLoadedNameSize = 32;

// The fixed part of a .vam file.
struct VamHeader {
    float firstDate = 0;
    float endDate = 0;
    std::int32_t recordFloats = 0;
    std::int32_t dataStart = 0;
    std::int16_t elementTotal = 0;
    std::uint16_t poolSize = 0;
    std::int16_t packedTotal = 0;
    char title[vamTitleSize] = {};
};

// The element tables of a bank, as read from or written to a .vam file.
struct VamTables {
    VamHeader header;
    std::vector<std::string> packedNames;  // P names
    std::vector<std::string> names;        // N names
    std::vector<std::int32_t> sizes;
    std::vector<std::uint16_t> rows;
    std::vector<std::uint16_t> columns;
    std::vector<std::int16_t> lags;
    std::vector<char> types;
    std::vector<std::string> rowStubs;
    std::vector<std::string> columnStubs;
};

// The header, tables and computed values of a bank that passed every check.
struct VamLayout {
    VamTables t;
    std::vector<std::int32_t> floatOffsets;  // N+1
    JexDate first, last;
    int periods = 0;
    long long seriesCount = 0;  // values of the one-column elements
};

// Encodes the fixed part and the tables (everything before the data offset).
std::vector<std::uint8_t> encodevamtables(const VamTables& t);
// Decodes and checks the fixed part and tables from the file's first bytes; fileSize is
// the whole file's length (-1 when unknown: the records are then not checked). Returns
// false (and prints nothing) when anything is out of order.
bool decodevamtables(const std::uint8_t* data, std::size_t size, long long fileSize,
                     VamLayout& out);

class VamFile : public DataBank {
public:
    // Opens <stem>.vam ("Cannot open %s." and isOpen() false on any failure).
    explicit VamFile(const char* stem);
    ~VamFile() override;

    // ---- the bank operations ----
    std::int16_t getser(const char* name, float* array, std::int16_t count) override;
    std::int16_t show(const char* name, int slot, std::FILE* in) override;
    float* loaded() override;
    std::int16_t loadcmd(const char* name, char view, float line) override;
    // Writes the loaded element back and releases it: 0, or -1 after a message when a write
    // fails (the element then stays loaded and modified).
    std::int16_t storecmd() override;
    int findser(const char* name) override;
    std::int16_t rows(int i) override;
    std::int16_t cols(int i) override;
    char eltype(int i) override;
    std::int16_t listser(std::FILE* out, const char* pattern, std::int16_t columns) override;
    std::int16_t collectser(std::vector<std::string>& list, const char* pattern,
                            std::int16_t columns) override;
    int info(std::int16_t slot) override;

    // ---- elements ----
    const char* nameOf(int i) const;
    int rowsOf(int i) const;
    int columnsOf(int i) const;
    char typeOf(int i) const;
    int lagsOf(int i) const;
    long offsetOf(int i) const;
    long sizeOf(int i) const;
    const char* packedFileName(int slot) const;
    const char* rowStubFile(int i) const;
    const char* columnStubFile(int i) const;

    int elementCount() const { return static_cast<int>(layout_.t.names.size()); }
    int packedCount() const { return static_cast<int>(layout_.t.packedNames.size()); }
    float startDate() const { return layout_.t.header.firstDate; }
    float lastDate() const { return layout_.t.header.endDate; }
    const JexDate& firstJexDate() const { return layout_.first; }
    const JexDate& lastJexDate() const { return layout_.last; }
    long dataOffset() const { return layout_.t.header.dataStart; }
    long floatsPerPeriod() const { return layout_.t.header.recordFloats; }
    int periodCount() const { return layout_.periods; }
    long long totalSeries() const { return layout_.seriesCount; }
    const char* vamTitle() const { return layout_.t.header.title; }
    const std::string& directory() const { return directory_; }
    std::FILE* file() const { return dataFile_; }
    // Byte position of element i in period k.
    long long elementPos(int i, long k) const;
    // Period index of a date in this bank (its distance from the first date); false when
    // the date has another frequency or lies outside the bank.
    bool periodOf(const JexDate& date, int& k) const;

    // ---- the loaded element ----
    bool isLoaded() const { return loadedFlag_ == 'y'; }
    int loadedIndex() const { return loadedIndex_; }
    const char* loadedName() const { return loadedName_.c_str(); }
    char loadedView() const { return loadedView_; }
    float loadedLine() const { return loadedLine_; }
    int loadedCount() const { return loadedCount_; }
    int loadedRows() const { return loadedRows_; }
    // Row k of the loaded table (loadedCount values), null when nothing is loaded.
    float* loadedRow(int k);
    void setModified() { modifiedFlag_ = 'y'; }
    bool isModified() const { return modifiedFlag_ == 'y'; }
    // Drops the loaded element without writing it. Returns 0.
    int releaseLoaded();
    // Stores value `item` (1-based) of each period of the array into the loaded table over
    // the f dates; operation 0 or + - * /. 0, or -1 after a message.
    int putseries(int item, const float* array, int operation);
    // Moves a workspace-indexed series so that index 0 holds the bank's first period.
    void alignToWorkspace(float* array);

    // ---- in-place rewrites of the tables ----
    // The lag of a vector (type 'l' when positive, 'v' at 0): both tables rewritten in one
    // write. 0 or -1.
    int setLag(int i, int lags);
    // The header title, rewritten at byte 0 with the header. 0 or -1.
    int setVamTitle(const char* text);
    // The packed-matrix file name of a slot, written as its 32-byte field. 0 or -1.
    int setPackedFileName(int slot, const char* name);

    // ---- files beside the bank ----
    // The path under which a packed-matrix or title file is opened for reading, or "" after
    // "Cannot open %s for reading.\r\n".
    std::string findFile(const char* name) const;
    // Fills the list with exactly count titles from the file (missing ones "%d;%d").
    int readTitleFile(const char* name, std::vector<std::string>& list, int count) const;

private:
    bool writeTables();  // the lag and type tables in one write
    bool writeHeader();
    int storeRows();

    VamLayout layout_;
    // Name to index of its first element, over the names in layout_ (never changed while open).
    std::unordered_map<std::string_view, int> index_;
    std::string directory_;
    JexBank* companionBank_ = nullptr;
    bool companionOpen_ = false;

    // the loaded element
    int loadedIndex_ = -1;
    int loadedCount_ = 0;  // values in a table row
    int loadedRows_ = 0;   // rows of the table
    int loadedRowNumber_ = -1;
    float loadedLine_ = 0;
    char loadedFlag_ = 'n';
    char loadedView_ = 'x';
    char modifiedFlag_ = 'n';
    std::string loadedName_;
    std::vector<float> table_;
};
