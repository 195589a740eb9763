// The annual workspace the regression benchmarks start from: a fresh temporary directory, the
// quiet results window installed, the interpreter, bank, series and regression state reset,
// and an empty workspace bank of `observations` from `baseYear`.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/date.h"
#include "interp/state.h"
#include "platform/platform.h"
#include "platform/quiet_platform.h"
#include "regress/regress_state.h"
#include "series/series_state.h"

inline std::filesystem::path openbenchworkspace(platform::QuietPlatform& quiet, int baseYear,
                                                int observations) {
    std::string pattern = "/tmp/jexbenchwsXXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    platform::install(&quiet);
    resetinterpstate();
    resetbankslots();
    resetseriesstate();
    resetregressstate();
    wsBaseYear = static_cast<short>(baseYear);
    wsMaxObs = static_cast<short>(observations);
    wsFirstMonth = 1;
    cfgFirstMonth = 1;
    wsStartDate = JexDate(baseYear, 1, 1, 13);
    const std::filesystem::path dir = pattern;
    setWorkspaceBank(new JexBank((dir / "ws").c_str(), "New", baseYear, observations, 1));
    return dir;
}

// Lets go of everything openbenchworkspace made.
inline void closebenchworkspace(const std::filesystem::path& dir) {
    resetbankslots();
    resetregressstate();
    resetinterpstate();
    platform::install(nullptr);
    std::filesystem::remove_all(dir);
}
