// The Lotus worksheet writer.
#include "banks/wk1file.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "core/bytes.h"
#include "core/printout.h"

std::string WK1File::worksheetname(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::string folder = path.substr(0, start);
    std::string file = path.substr(start);
    for (char& c : file) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t point = file.find('.');
    if (point == std::string::npos) file += ".wk1";
    else if (file.substr(point + 1) != "wk1") file = file.substr(0, point) + ".wk1";
    return folder + file;
}

WK1File::WK1File(std::string& path, int mode) {
    path = worksheetname(path);
    path_ = path;
    if (mode == 1) {
        out_ = std::make_unique<platform::ReplacingFile>(path);
        file_ = out_->open("wb");
        if (!file_) {
            printout("Unable to open %s for writing.\n", path.c_str());
            mode_ = -1;
            return;
        }
    } else {
        file_ = std::fopen(path.c_str(), "rb");
        if (!file_) {
            printout("Unable to open %s for reading.\n", path.c_str());
            mode_ = -1;
            return;
        }
    }
    mode_ = mode;
    initRecords();
    if (mode_ == 1) writeBof();
    ready_ = 1;
}

bool WK1File::finish() {
    if (mode_ != 1 || !file_) return false;
    writeEof();
    file_ = nullptr;
    if (failed_) {
        out_->abandon();
        return false;
    }
    return out_->commit();
}

WK1File::~WK1File() {
    if (mode_ == -1 || !file_) return;
    if (mode_ == 1) finish();
    else std::fclose(file_);
}

int WK1File::put(std::uint16_t opcode, const std::uint8_t* data, std::size_t length) {
    if (mode_ != 1 || !file_) return -1;
    std::vector<std::uint8_t> record(4 + length);
    bytes::putU16(record.data(), opcode);
    bytes::putU16(record.data() + 2, static_cast<std::uint16_t>(length));
    if (length) std::memcpy(record.data() + 4, data, length);
    if (!bytes::writeBytes(file_, record.data(), record.size())) {
        failed_ = true;
        return 0;
    }
    return 1;
}

int WK1File::writeBof() {
    std::uint8_t d[2];
    bytes::putU16(d, 0x0406);
    return put(opBof, d, 2);
}

int WK1File::writeEof() { return put(opEof, nullptr, 0); }

int WK1File::writeDimensions(int firstRow, int firstColumn, int lastRow, int lastColumn) {
    std::uint8_t d[8];
    bytes::putU16(d, static_cast<std::uint16_t>(firstColumn));
    bytes::putU16(d + 2, static_cast<std::uint16_t>(firstRow));
    bytes::putU16(d + 4, static_cast<std::uint16_t>(lastColumn));
    bytes::putU16(d + 6, static_cast<std::uint16_t>(lastRow));
    return put(opDimensions, d, 8);
}

int WK1File::writeColumnWidth(int column, int width) {
    std::uint8_t d[3];
    bytes::putU16(d, static_cast<std::uint16_t>(column));
    d[2] = static_cast<std::uint8_t>(width);
    return put(opColumnWidth, d, 3);
}

int WK1File::writeNumber(int row, int column, float value, int format) {
    std::uint8_t d[13];
    d[0] = static_cast<std::uint8_t>(format | 0x80);
    bytes::putU16(d + 1, static_cast<std::uint16_t>(column));
    bytes::putU16(d + 3, static_cast<std::uint16_t>(row));
    bytes::putF64(d + 5, static_cast<double>(value));
    return put(opNumber, d, 13);
}

int WK1File::writeLabel(int row, int column, const char* text, char prefix) {
    const char* t = text ? text : "";
    std::size_t n = std::strlen(t);
    if (n > static_cast<std::size_t>(maxLabel)) n = maxLabel;
    std::vector<std::uint8_t> d(n + 7);
    d[0] = 0x80;
    bytes::putU16(&d[1], static_cast<std::uint16_t>(column));
    bytes::putU16(&d[3], static_cast<std::uint16_t>(row));
    d[5] = static_cast<std::uint8_t>(prefix);
    std::memcpy(&d[6], t, n);
    d[6 + n] = 0;
    return put(opLabel, d.data(), d.size());
}
