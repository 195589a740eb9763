// Number/text converters of the %-functions. Input converters read a number the way a
// string stream does; output converters write real numbers under the print settings.
#include <exception>
#include <iomanip>
#include <sstream>

#include "core/printout.h"
#include "interp/percent_functions.h"
#include "series/series_state.h"

namespace {

const char* const convertError = "\nError:  cannot convert string to number.\n";

template <class T>
T readnumber(const std::string& text) {
    try {
        std::istringstream in(text);
        T value{};
        in >> value;  // nothing readable leaves 0; an out-of-range number the nearest limit
        return value;
    } catch (const std::exception&) {
        printout("%s", convertError);
        return T{};
    }
}

template <class T>
std::string writeinteger(T value) {
    try {
        std::ostringstream out;
        out << value;
        return out.str();
    } catch (const std::exception&) {
        printout("%s", convertError);
        return std::string();
    }
}

}  // namespace

int textToInt(const std::string& text) { return readnumber<int>(text); }
double textToDouble(const std::string& text) { return readnumber<double>(text); }
float textToFloat(const std::string& text) { return readnumber<float>(text); }

std::string intToText(int value) { return writeinteger(value); }
std::string shortToText(short value) { return writeinteger(value); }
std::string unsignedToText(unsigned value) { return writeinteger(value); }

std::string doubleToText(double value) {
    try {
        std::ostringstream out;
        if (decsGiven) out << std::fixed << std::setprecision(decs < 0 ? 0 : decs);
        out << value;
        return out.str();
    } catch (const std::exception&) {
        printout("%s", convertError);
        return std::string();
    }
}

std::string floatToText(float value) { return doubleToText(static_cast<double>(value)); }
