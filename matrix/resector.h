// The resectoring engine: an aggregation key (one line per detailed sector line, one column
// per classification scheme), the concordances formed from it between pairs of schemes, and
// the arithmetic that carries vectors and matrices from one scheme to another (aggregation,
// splitting, cross-aggregation through an in-between scheme) or scales detail to aggregate
// controls. A scheme is named by its number of sectors: scheme 360 has sectors 1..360.
//
// There is one engine, `reSector`, built empty at start-up; rs create fills it from a key
// file and rs formagg forms its concordances (matrix/rs_command.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/date.h"
#include "core/matrix.h"
#include "core/vector.h"

class Pmatrix;

int rsDefaultColumns();     // 20
int rsDefaultMaxSectors();  // 2500

class ReSector {
public:
    static constexpr int maxColumns = 20;

    ReSector();
    ~ReSector();
    ReSector(const ReSector&) = delete;
    ReSector& operator=(const ReSector&) = delete;

    // Drops the key, the scheme numbers and every concordance; not created afterwards.
    void reset();
    // Reads a key file of `columns` columns (1..20) and at most `maxLines` lines (1 or more).
    // 0, or -1 after a message (the engine is then not created).
    int readKeyFile(const char* path, int columns, int maxLines);
    int isCreated() const { return created; }
    // Column index (0..columnCount-1) of the first column of the scheme, or -1.
    int schemeIndex(int scheme) const;
    // Forms the concordance from scheme F to scheme T anew. 0, or -1 for an unlisted scheme.
    int formConcordance(int F, int T);
    // Appends target t to the list of source sector s of the pair (a, b) unless it holds it:
    // the 1-based position where it was found, or 0 when appended.
    int addMapping(int a, int b, int s, int t);
    // Number of targets of s; -1 unlisted scheme; -2 not formed (with a message).
    int mapCount(int F, int T, int s);
    // The targets of s into out (room for mapCount entries): their number; -1 unlisted
    // scheme or s without targets; -2 not formed.
    int mappedSectors(int F, int T, int s, int* out);
    // First target of s; -1 unlisted; -2 not formed; -3 s outside 1..F; -4 no targets.
    int firstMapped(int F, int T, int s);
    // Number of sources 1..F with a target; -1 unlisted; -2 not formed.
    int countMapped(int F, int T);

    // Aggregation and cross-aggregation: 0, or -1 after a message.
    int AggVector(int F, int T, const Vector<float>& in, Vector<float>& out,
                  const Vector<float>& split);
    int CrossAggVector(int F, int T, int B, const Vector<float>& in, Vector<float>& out,
                       const Vector<float>& split);
    int AggMatRows(int F, int T, const Matrix<float>& in, Matrix<float>& out,
                   const Vector<float>& split);
    int AggMatRows(int F, int T, Pmatrix& in, Matrix<float>& out, const Vector<float>& split);
    int aggMatrix(int RF, int RT, int CF, int CT, const Matrix<float>& in, Matrix<float>& out);
    int CrossAggMatRows(int F, int T, int B, const Matrix<float>& in, Matrix<float>& out,
                        const Vector<float>& split);

    // Detail (scheme D) scaled to aggregate controls (scheme A), in place.
    int CtrlVec(int D, int A, Vector<float>& detail, const Vector<float>& control);
    int RdCtrlVec(int D, int A, Vector<float>& detail, const Vector<float>& control);
    int CtrlMatRows(int D, int A, Matrix<float>& detail, const Matrix<float>& control,
                    const JexDate& period);
    int CtrlMatRows(int D, int A, Pmatrix& detail, Pmatrix& control);
    int CtrlMat(int D, int A, Matrix<float>& detail, const Matrix<float>& control);
    int CtrlMat(int D, int A, Pmatrix& detail, Pmatrix& control);

private:
    // The targets of every source sector of one ordered pair of schemes; lists[s] for s in
    // 1..F (sectors beyond the last one that occurs in the key have no list).
    struct Concordance {
        int sourceCount = 0;
        std::vector<std::vector<int>> lists;
    };
    Concordance* concordanceOf(int a, int b) { return concordances[a * maxColumns + b].get(); }
    // The list of s of the pair of schemes, or null (no targets); status as mapCount's
    // without messages: 0 usable, -1 unlisted, -2 not formed.
    const std::vector<int>* targetsOf(int F, int T, int s, int& status);
    // A source sector's group of targets (empty when it has none or the pair is unusable).
    std::vector<int> group(int F, int T, int s);
    int keyAt(int line, int column) const {
        return keyTable[static_cast<std::size_t>(line - 1) * columnCount + column - 1];
    }

    std::array<std::int32_t, maxColumns> schemeNumbers{};
    std::array<std::unique_ptr<Concordance>, maxColumns * maxColumns> concordances;
    std::vector<int> keyTable;  // sectorCount lines of columnCount values, line after line
    int created = 0;
    int sectorCount = 0;
    int columnCount = 0;
    int maxSectors = 0;
};

extern ReSector reSector;
