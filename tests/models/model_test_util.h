// The files of the model dialog tests, read and written byte for byte.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

inline std::string slurp(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void spit(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}
