// A platform that drops every results line and answers every box and dialog with its
// default, asking nobody: for the benchmarks and the fuzz targets, where only behaviour and
// time count.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

class QuietPlatform final : public Platform {
public:
    void appendResultsLine(const std::string&) override {}
    void clearResults() override {}
    Answer messageBox(const std::string&, const std::string&, Buttons b) override {
        return defaultAnswer(b);
    }
    int choose(const std::string&, const std::string&, const std::vector<std::string>&,
               int d) override {
        return d;
    }
    bool askText(const std::string&, const std::string&, std::string&) override { return false; }
};

}  // namespace platform
