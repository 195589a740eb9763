// The constraints stated before an estimation: soft constraints (con, sma), which enter the
// least-squares problem as weighted pseudo-observations, and hard constraints (qpcon),
// which make it a quadratic program. Both tables are global and are emptied by clearcons
// after every estimation that read its equation, so a set applies to one regression only.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

class Moments;

constexpr int maxConstraints = 50;
constexpr int constraintWidth = 500;  // parameter indexes 0 .. 499 of a row

struct ConstraintTable {
    std::int16_t count = 0;
    std::array<float, maxConstraints> weight{};  // soft: trade-off; hard: sense 1 < 0 = -1 >
    std::array<float, maxConstraints> value{};   // soft: target value; hard: the scalar
    std::array<std::array<float, constraintWidth>, maxConstraints> rows{};
};
extern ConstraintTable softConstraints;  // softConCount is softConstraints.count
extern ConstraintTable hardConstraints;  // qpConCount is hardConstraints.count

// con <trade-off> [-]<value> = <terms>
int concmd(std::FILE* in, int* equationOffsets);
// sma <trade-off> <first> <last> <order> [f]
int smacmd(std::FILE* in, int* equationOffsets);
// qpcon [+|-]<scalar> <relation> <terms>
int qpconcmd(std::FILE* in, int* equationOffsets);

// The number of equations whose parameter letters (a, b, ...) con, sma and qpcon accept;
// 1 outside a block of several equations.
void setoffsetcount(int count);
// The index of a parameter word (a2, b3) under the equation offset table of `offsetCount`
// entries; -1 when the word is not a letter followed by digits or its letter has no entry.
int parameterindex(const char* word, const int* equationOffsets, int offsetCount = 1);
// (-1)^j m! / (j! (m - j)!) for 0 <= j <= m <= 11 (exact in 32 bits).
std::int32_t binomialterm(int m, int j);
// Adds every stored soft constraint to the moment matrix (rows and columns 0 .. k) as the
// weighted pseudo-observation (value; row) with weight n x trade-off. With an intercept
// (`intercept` 1) the matrix is the one xpx leaves, with the intercept swept out: the
// pseudo-observation is folded in as if it had been added before that sweep, so that a
// constraint on a1 acts on the intercept itself.
void addsoftcons(int n, int k, Moments& m, int intercept);
// Empties both tables.
void clearcons(int k = constraintWidth - 1);
