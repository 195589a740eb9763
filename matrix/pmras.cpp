#include "matrix/pmras.h"

#include <cmath>
#include <cstdio>

#include "core/printout.h"
#include "vam/floatio.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

PassDiscrepancy pmrascolumns(const PackedCells& cells, std::vector<float>& values,
                             const std::vector<float>& colControls, std::vector<float>& work) {
    const int C = cells.cols;
    std::vector<double> sums(static_cast<std::size_t>(C), 0.0);
    const std::size_t n = values.size();
    for (std::size_t k = 0; k < n; ++k)
        sums[static_cast<std::size_t>(cells.column[k] - cells.firstColumn)] += values[k];
    PassDiscrepancy d;
    for (int j = 0; j < C; ++j) {
        const float s = static_cast<float>(sums[static_cast<std::size_t>(j)]);
        const float control = colControls[static_cast<std::size_t>(j)];
        // A column that sums to (nearly) nothing cannot be scaled to its control: its
        // cells stay as they are and it adds nothing to the discrepancy.
        const float f = std::fabs(s) > 1e-7f ? control / s : 1.0f;
        work[static_cast<std::size_t>(j)] = f;
        if (std::fabs(f) > 1e-7f && std::fabs(f - 1) > d.discrepancy) {
            d.discrepancy = std::fabs(f - 1);
            d.at = j;
            d.sum = s;
        }
    }
    for (std::size_t k = 0; k < n; ++k)
        values[k] *= work[static_cast<std::size_t>(cells.column[k] - cells.firstColumn)];
    return d;
}

PassDiscrepancy pmrasrows(const PackedCells& cells, std::vector<float>& values,
                          const std::vector<float>& rowControls) {
    PassDiscrepancy d;
    for (int i = 0; i < cells.rows; ++i) {
        const int a = cells.rowStart[static_cast<std::size_t>(i)];
        const int b = cells.rowStart[static_cast<std::size_t>(i) + 1];
        const float control = rowControls[static_cast<std::size_t>(i)];
        if (a == b || std::fabs(control) <= 1e-7f) continue;
        double sum = 0;
        for (int k = a; k < b; ++k) sum += values[static_cast<std::size_t>(k)];
        const float s = static_cast<float>(sum);
        // A row summing to exactly 0 cannot be scaled: it keeps its cells.
        const float f = s != 0 ? control / s : 1.0f;
        for (int k = a; k < b; ++k) values[static_cast<std::size_t>(k)] *= f;
        if (std::fabs(f - 1) > d.discrepancy) {
            d.discrepancy = std::fabs(f - 1);
            d.at = i;
            d.sum = s;
        }
    }
    return d;
}

namespace {

constexpr float tolerance = 0.0002f;

float total(const std::vector<float>& v) {
    double s = 0;
    for (float x : v) s += x;
    return static_cast<float>(s);
}

struct RasVisit : PackedVisit {
    VamFile* bank;
    int rowIndex, colIndex;
    const char *rowName, *colName;
    char governing;
    int limit;
    PackedCells& cells;
    RasVisit(VamFile* b, int ri, int ci, const char* rn, const char* cn, char g, int l,
             PackedCells& c)
        : bank(b), rowIndex(ri), colIndex(ci), rowName(rn), colName(cn), governing(g), limit(l),
          cells(c) {}

    bool period(int pos, const JexDate& d, std::vector<float>& values, bool& write) override {
        char date[JexDate::textSize];
        printout("Processing Period %s\n", d.print(date, '4'));
        const int R = cells.rows, C = cells.cols;
        std::vector<float> rc(static_cast<std::size_t>(R)), cc(static_cast<std::size_t>(C));
        if (!readfloatsat(bank->file(), bank->elementPos(rowIndex, pos), rc.data(), R)) {
            printoutlong("Fseek failed in load rowtots\r\n");
            return false;
        }
        if (!readfloatsat(bank->file(), bank->elementPos(colIndex, pos), cc.data(), C)) {
            printoutlong("Fseek failed in load coltots\r\n");
            return false;
        }
        float rsum = total(rc), csum = total(cc);
        printoutlong("\r\nSum of row controls %8.2f", rsum);
        printoutlong("\r\nSum of col controls %8.2f", csum);
        if (rsum != csum) {
            printoutlong("\r\n%s governs\r\n", governing == 'r' ? "row" : "col");
            if (governing == 'r') {
                if (csum == 0) {
                    printoutlong("Sum of columns is zero in %s\r\n", colName);
                    return false;
                }
                for (float& x : cc) x *= rsum / csum;
            } else {
                if (rsum == 0) {
                    printoutlong("Sum of rows is zero in %s\r\n", rowName);
                    return false;
                }
                for (float& x : rc) x *= csum / rsum;
            }
        }
        printoutlong("\r\nMatrix total before scaling: %9.5f\r\n", total(values));
        for (std::size_t k = 0; k < values.size(); ++k)
            values[k] *= cc[static_cast<std::size_t>(cells.column[k] - cells.firstColumn)];
        printoutlong("Matrix total after scaling: %9.5f\r\n", total(values));
        printoutlong("Iter row discrep col discrep\r\n");

        std::vector<float> work(static_cast<std::size_t>(C));
        for (int iter = 1;; ++iter) {
            const PassDiscrepancy col = pmrascolumns(cells, values, cc, work);
            printoutlong("Matrix total after column scaling: %9.5f\r\n", total(values));
            const PassDiscrepancy row = pmrasrows(cells, values, rc);
            if (iter % 5 == 0) {
                printoutlong("%3d %3d %7.5f %3d %7.5f\r\n", iter, cells.firstRow + row.at,
                             row.discrepancy, cells.firstColumn + col.at, col.discrepancy);
                printoutlong("Row sum: %8.1f  Control: %8.1f\r\n", row.sum,
                             rc[static_cast<std::size_t>(row.at)]);
                printoutlong("Col sum: %8.1f  Control: %8.1f\r\n", col.sum,
                             cc[static_cast<std::size_t>(col.at)]);
                printoutlong("Matrix Total: %9.1f  Row control total: %9.1f  Col control "
                             "total: %9.1f\r\n",
                             total(values), total(rc), total(cc));
            }
            const float discrepancy = std::max(row.discrepancy, col.discrepancy);
            if (discrepancy <= tolerance) break;
            if (iter % limit == 0) {
                printout("Did not converge. Max discrep = %8.5f.", discrepancy);
                break;
            }
        }
        // A last column pass, so that the stored columns meet their controls.
        pmrascolumns(cells, values, cc, work);

        for (std::size_t k = 0; k < values.size(); ++k) {
            const float T = cc[static_cast<std::size_t>(cells.column[k] - cells.firstColumn)];
            if (std::fabs(T) <= 1e-7f) {
                printout("Warning: Divide by zero in ras.  Setting to zero....\n");
                values[k] = 0;
            } else {
                values[k] /= T;
            }
        }
        write = true;
        return true;
    }
};

bool before(const JexDate& a, const JexDate& b) { return (a < b) != 0; }

}  // namespace

int pmras(VamFile* bank, int matrix, const char* rowName, const char* colName, float year,
          char governing, int limit) {
    if (limit < 1) limit = 100;
    const int ri = bank->findser(rowName);
    if (ri < 0) {
        printout("\nError:  cannot find row total vector in RAS routine.\n");
        return -1;
    }
    const int ci = bank->findser(colName);
    if (ci < 0) {
        printout("\nError:  cannot find column total vector in RAS routine.\n");
        return -1;
    }
    const char* file = bank->packedFileName(bank->lagsOf(matrix));
    const std::string path = bank->findFile(file);
    std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (!f) {
        printoutlong("Can not find packed matrix %s\r\n", path.empty() ? file : path.c_str());
        return -1;
    }
    PackedPattern p;
    const bool readable = readpackedpattern(f, -1, -1, -1, p);
    std::fclose(f);
    if (!readable) {
        printout("Error:  %s is not a valid packed matrix file.\n", file);
        return -1;
    }
    const long rsize = bank->sizeOf(ri), csize = bank->sizeOf(ci);
    const bool vectors = bank->typeOf(ri) != 'm' && bank->typeOf(ri) != 'p' &&
                         bank->typeOf(ci) != 'm' && bank->typeOf(ci) != 'p';
    if (!vectors || p.header.rows != rsize || p.header.columns != csize) {
        printoutlong("Matrix and vector sizes do not match\r\n");
        return -1;
    }
    // The periods: the year or the f dates, cut back to the file's last year; every one
    // must lie in the file and in the bank before anything is read or written.
    Range r = rangefor(year);
    if (!r.empty() && (r.last > p.last) == 1) r.last = p.last;
    if (r.empty() || r.first.frequency != p.first.frequency ||
        r.first.frequency != bank->firstJexDate().frequency || before(r.first, p.first) ||
        before(r.first, bank->firstJexDate()) || (r.last > bank->lastJexDate()) != 0) {
        char d1[JexDate::textSize], d2[JexDate::textSize];
        printout("\nError:  the periods %s to %s lie outside the packed matrix %s or the "
                 "bank.\n",
                 r.first.print(d1, '4'), r.last.print(d2, '4'), file);
        return -1;
    }
    PackedCells cells;
    RasVisit visit(bank, ri, ci, rowName, colName, governing, limit, cells);
    return packedpass(bank, matrix, r, "Can not find packed matrix %s\r\n", cells, visit);
}
