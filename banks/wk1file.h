// The Lotus 1-2-3 worksheet writer (.wk1): a beginning-of-file record, the sheet's
// dimensions, column widths, number cells and label cells, and an end-of-file record. Each
// record is a 16-bit opcode, a 16-bit length and its data, little-endian.
//
// The worksheet is written beside its final name and renamed over it when the writer is
// finished (or destroyed), so an old worksheet of the same name is replaced only by a complete
// one (platform::ReplacingFile: links followed, permissions kept, devices written in place).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/files.h"

class WK1File {
public:
    static constexpr std::uint16_t opBof = 0x0000;
    static constexpr std::uint16_t opEof = 0x0001;
    static constexpr std::uint16_t opDimensions = 0x0006;
    static constexpr std::uint16_t opColumnWidth = 0x0008;
    static constexpr std::uint16_t opNumber = 0x000E;
    static constexpr std::uint16_t opLabel = 0x000F;
    static constexpr int maxLabel = 239;  // characters of a label's text

    // path: the worksheet's name; its file name (not the folders) is lower-cased and its
    // extension (from the file name's first point) becomes wk1. mode 1 writes, 2 reads.
    WK1File(std::string& path, int mode);
    ~WK1File();
    WK1File(const WK1File&) = delete;
    WK1File& operator=(const WK1File&) = delete;

    // Each write: 1 written, 0 the write failed, -1 the writer is not writing.
    int writeNumber(int row, int column, float value, int format);
    // Text longer than maxLabel characters is cut.
    int writeLabel(int row, int column, const char* text, char prefix);
    int writeDimensions(int firstRow, int firstColumn, int lastRow, int lastColumn);
    int writeColumnWidth(int column, int width);
    int writeBof();
    int writeEof();
    int initRecords() { return 0; }
    // Writes the end-of-file record and puts the worksheet in place: false when any write,
    // the close or the renaming failed (the old worksheet is then as it was). The destructor
    // does this for a writer not finished yet.
    bool finish();

    bool isReady() const { return ready_ == 1; }
    int mode() const { return mode_; }

    // The worksheet name for a path: lower-cased file name, extension wk1.
    static std::string worksheetname(const std::string& path);

private:
    int put(std::uint16_t opcode, const std::uint8_t* data, std::size_t length);

    int mode_ = -1;
    std::FILE* file_ = nullptr;
    std::unique_ptr<platform::ReplacingFile> out_;  // the writer's file
    int ready_ = 0;
    bool failed_ = false;
    std::string path_;
};
