// The globals of the regression subsystem: the regression limits and switches that the
// limits, showt, missing, mode, stochastic, normality and zip commands and the Regression
// Settings dialog set, the state a regression leaves for later commands (rho, SEE, the
// position of a lagged dependent variable), the pending Chow test and the punch files.
// resetregressstate() puts them back to their start-up values (closing the punch files).
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// The regression limits as date numbers (1990, 1990.2, 1990.011): the start and end of the
// fit and the end of the test period; 0 while unset. jex.cfg sets them to its three default
// dates; read by %lim1..%lim3 (%rdate1..%rdate3) and by @sum.
extern float fitStart;
extern float fitEnd;
extern float testEnd;

// The missing switch: 'y' (start) undefined values, and values outside the f dates, are the
// missing value; 'n' they are 0. Set by the missing command; read by the series look-up, the
// f command, the listings and the @functions.
extern char missingOn;

// Report and prediction switches.
extern std::uint8_t showT;          // 1: the report shows t values and F statistics [0]
extern std::int16_t forecastMode;   // 1 forecast mode, 0 test mode [0]
extern char stochastic;             // 'y': saved equations carry rho, SEE and the vc matrix
extern char normalityTest;          // 'n' none, 'y' Jarque-Bera, 'f' full report
extern char regZip;                 // 'y': no leverage series, no vc table, no pauses
extern bool mainRegZipChecked;      // the tick of the main window's Zip menu item
extern char sweepPredicts;          // 'y': the sweep goes on to predict and report
extern char hlActive;               // 'y' while the Hildreth-Lu search runs
extern float hlRho;                 // its current rho

// What the last regression left.
extern float regRho;                // 1 - DW / 2
extern float regSee;                // SEE (divisor nfit)
extern std::int16_t lagDepIndex;    // position of the last lagged dependent regressor, 0 none

// The pending Chow test: the number of regressions it takes (0 none pending) and one
// record per regression run since the chow command.
struct ChowRecord {
    double ssr = 0.0;
    std::int16_t k = 0;
    std::int16_t n = 0;
};
extern std::int16_t chowCount;
extern std::int16_t chowNext;
extern std::vector<ChowRecord> chowRecords;

// The punch file (pch, ipch) and the equation punch file (titpch, tpch).
extern char punchOn;
extern std::FILE* punchFile;
extern char eqpunchOn;
extern std::FILE* eqpunchFile;

void resetregressstate();
