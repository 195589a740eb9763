// The series grid (gridty, gridtype: several series side by side, a column per series and a
// row per period, in the window "Doruvud Display", optionally written to a table file) and
// the typed-output grid that the typing of a series fills.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/date.h"
#include "views/view_window.h"

// The table of the last gridty command, kept until the grid window closes.
constexpr int gridMaxNames = 400;
constexpr int gridNameLength = 32;
extern std::vector<std::string> gridNames;    // at most 32 characters each
extern std::vector<std::string> gridFormats;  // " %10.3f" with the series' precision
extern std::vector<float> gridValues;         // gridRows rows of gridCount values
extern int gridCount, gridRows;
extern JexDate gridStart;

// "Doruvud Display": Close (Esc), Copy, Dates/Tdates. Console choice: Select l t r b.
class TMattyFm : public ViewWindow {
public:
    TMattyFm();
    int colCount = 1, rowCount = 1;
    GridRect selection{1, 1, 1, 1};

    std::string cellText(int column, int row) const;
    void Copy1Click();
    void Close1Click();
    void Gdates1Click();
    std::string consoleText() const override;

protected:
    bool choice(const std::string& word) override;
    bool closing() override;  // FormClose: the table is freed
    bool escapeKey() override;
    void defaultClose() override { Close1Click(); }
};
extern TMattyFm MattyFm;

// gridty ["file" <filename>] [<stdate>] [<enddate>] series1 [<precision>] series2 ... ;
int gridtycmd(std::FILE* in);

// The typed-output grid: a string grid of one fixed column, filled by the typing of a series
// (caption, a line per printed line: its first date, then its values). Never shown.
class TTyFrm {
public:
    std::string caption;
    int colCount = 0, rowCount = 0;
    // Starts a new listing of `columns` columns.
    void start(const std::string& text, int columns);
    // One printed line: its first date's text and its values (" %10.3f").
    void addline(const std::string& date, const float* values, int count);
    const std::string& cell(int column, int row) const;
    std::string consoleText() const;

private:
    std::vector<std::vector<std::string>> cells_;
};
extern TTyFrm TyFrm;

// Closes the series grid and empties the typed-output grid (start-up state).
void resetseriesgrids();
