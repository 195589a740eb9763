// Helpers of the series tests: feed command text to the reader as the lines of a replay
// list (so that expressions may continue over several lines), and capture the results
// window through the scripted platform.
#pragma once

#include <string>
#include <vector>

#include "interp/state.h"
#include "platform/scripted_platform.h"

namespace seriestest {

// Lines replayed to the reader for the lifetime of the object. The reader's state (the save
// switches and files included) is put back to its start-up values before and afterwards.
class ReplayInput {
public:
    explicit ReplayInput(std::vector<std::string> lines) : lines_(std::move(lines)) {
        resetinterpstate();
        addPrint = 0;
        replayList = &lines_;
        replayCursor = 0;
        replayMode = 'y';
        lastChar = '\n';
    }
    ~ReplayInput() { resetinterpstate(); }
    ReplayInput(const ReplayInput&) = delete;
    ReplayInput& operator=(const ReplayInput&) = delete;

private:
    std::vector<std::string> lines_;
};

}  // namespace seriestest
