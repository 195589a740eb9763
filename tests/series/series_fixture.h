// A small workspace for the series tests: an annual workspace bank of 20 observations from
// 1990 in a temporary directory, helpers that store and read series, and runners that feed
// command text to a handler as a typed line or as replayed lines.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/scripted_platform.h"
#include "regress/regress_state.h"
#include "series/lanes.h"
#include "series/series_state.h"
#include "series_test_util.h"

namespace seriestest {

constexpr float M = MISSING;

class SeriesFixture : public ::testing::Test {
protected:
    platform::ScopedScriptedPlatform screen;
    std::filesystem::path dir;
    static constexpr int obs = 20;

    void SetUp() override {
        char pattern[] = "/tmp/jexseriesXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        clearPendingLine();
        resetinterpstate();
        resetbankslots();
        resetseriesstate();
        resetregressstate();
        wsBaseYear = 1990;
        wsMaxObs = obs;
        wsFirstMonth = 1;
        cfgFirstMonth = 1;
        wsStartDate = JexDate(1990, 1, 1, 13);
        setWorkspaceBank(new JexBank((dir / "ws").c_str(), "New", 1990, obs, 1));
        ASSERT_TRUE(workspaceBank->isOpen());
    }

    void TearDown() override {
        resetbankslots();
        resetseriesstate();
        resetregressstate();
        resetinterpstate();
        clearPendingLine();
        std::filesystem::remove_all(dir);
    }

    // Stores values (from the first observation; the rest missing) in the workspace.
    void store(const char* name, std::vector<float> values, int frequency = 1) {
        std::vector<float> all(2000, MISSING);
        for (std::size_t i = 0; i < values.size(); ++i) all[i] = values[i];
        workspaceBank->setFreq(frequency);
        ASSERT_GE(workspaceBank->addser(name, all.data(), 'y', -1), 0);
    }

    // The workspace series, or an empty vector when there is none.
    std::vector<float> series(const char* name) {
        std::vector<float> v(2000, 0.0f);
        if (workspaceBank->getser(name, v.data(), -1) < 0) return {};
        v.resize(obs);
        return v;
    }
    int frequencyOf(const char* name) {
        std::vector<float> v(2000);
        if (workspaceBank->getser(name, v.data(), -1) < 0) return -1;
        return workspaceBank->freq();
    }

    // Runs a handler on one typed line.
    template <class Handler>
    int typed(Handler handler, const std::string& line) {
        settypedline(line);
        return handler(nullptr);
    }
    // Runs a handler on replayed lines (an expression may go on over several of them).
    template <class Handler>
    int replayed(Handler handler, std::vector<std::string> lines) {
        ReplayInput input(std::move(lines));
        return handler(nullptr);
    }

    // Everything printed so far (completed lines and the pending text); cleared.
    std::string output() {
        std::string s = screen.platform.text() + pendingLine();
        screen.platform.lines.clear();
        clearPendingLine();
        return s;
    }
    bool printed(const std::string& text) {
        return (screen.platform.text() + pendingLine()).find(text) != std::string::npos;
    }
};

// Compares series values within single precision; missing must match missing.
inline void expectSeries(const std::vector<float>& actual, const std::vector<float>& expected,
                         const char* what) {
    ASSERT_GE(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (ismissing(expected[i])) {
            EXPECT_TRUE(ismissing(actual[i])) << what << " at " << i << ": " << actual[i];
        } else {
            EXPECT_NEAR(actual[i], expected[i], 1e-5 * (1 + std::abs(expected[i]))) << what << " at " << i;
        }
    }
}

// The loops built in versions of 4, 8 and 16 lanes (series/lanes.h) run the given version
// while this is alive; tests skip versions the machine lacks (width > lanes::machineWidth).
struct LaneWidth {
    explicit LaneWidth(int width) { lanes::width = width; }
    ~LaneWidth() { lanes::width = lanes::machineWidth; }
    LaneWidth(const LaneWidth&) = delete;
    LaneWidth& operator=(const LaneWidth&) = delete;
};

// The workspace length while this is alive.
struct WorkspaceLength {
    std::int16_t saved = wsMaxObs;
    explicit WorkspaceLength(int obs) { wsMaxObs = static_cast<std::int16_t>(obs); }
    ~WorkspaceLength() { wsMaxObs = saved; }
    WorkspaceLength(const WorkspaceLength&) = delete;
    WorkspaceLength& operator=(const WorkspaceLength&) = delete;
};

}  // namespace seriestest
