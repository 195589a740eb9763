// The rs command: create, formagg and the data subcommands. Every data subcommand runs in
// one frame: it checks that a key was read, stores the default bank's loaded element, reads
// its scheme numbers and operand names, finds every operand, tests every concordance its
// routine reads, and only then loads, computes and writes period by period.
#include "matrix/rs_command.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "matrix/frame.h"
#include "matrix/resector.h"
#include "vam/element_access.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

namespace {

const char* const createUsage =
    "ReSector Syntax:  rs create <filename> [<Number of Columns> <Maximum Number of Sectors>]\n";
const char* const formaggUsage = "ReSector Syntax:  rs formagg <Number From> <Number To>\n";

bool nametoken(int cls) { return cls == 'a' || cls == '"'; }
bool ended(int cls) { return cls == 'f' || cls == 'e'; }

// ---- create and formagg ----

int rscreate(std::FILE* in) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    if (ended(cls)) {
        printout("%s", createUsage);
        return 0;
    }
    if (!nametoken(cls)) {
        printout("Error:  in rs create command, invalid <filename>\n");
        printout("%s", createUsage);
        droprest(in, cls);
        return -1;
    }
    const std::string file = token;
    int columns = rsDefaultColumns(), maxLines = rsDefaultMaxSectors();
    cls = gettoken(token, in, 0, tokenSize);
    if (!ended(cls)) {
        const double c = cls == 'n' ? std::atof(token) : 0;
        if (cls != 'n' || c < 1 || c > ReSector::maxColumns) {
            printout("Error:  in rs create command, invalid <Number of Columns> argument\n");
            printout("%s", createUsage);
            droprest(in, cls);
            return -1;
        }
        columns = static_cast<int>(c);
        cls = gettoken(token, in, 0, tokenSize);
        if (!ended(cls)) {
            const double m = cls == 'n' ? std::atof(token) : 0;
            if (cls != 'n' || m < 1 || m > 1e8) {
                printout("Error:  in rs create command, invalid <Maximum Number of Sectors> argument\n");
                printout("%s", createUsage);
                droprest(in, cls);
                return -1;
            }
            maxLines = static_cast<int>(m);
        }
    }
    droprest(in, cls);
    try {
        reSector.reset();
        return reSector.readKeyFile(file.c_str(), columns, maxLines) == 0 ? 0 : -1;
    } catch (const std::exception&) {
        printout("\nError:  cannot create new resector object.\n");
        reSector.reset();
        return -1;
    }
}

int rsformagg(std::FILE* in) {
    char token[tokenSize];
    if (!reSector.isCreated()) {
        printout("\nError:  in rs formagg, a Resector object first must be formed with the rs create command:\n");
        printout("%s", createUsage);
        droprest(in, gettoken(token, in, 0, tokenSize));
        return -1;
    }
    int schemes[2] = {0, 0};
    int cls = 0;
    for (int k = 0; k < 2; ++k) {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'n') {
            printout(k == 0 ? "Error:  in rs formagg command, invalid <NFrom> argument.\n"
                            : "Error:  in rs formagg command, invalid <Nto> argument.\n");
            printout("%s", formaggUsage);
            droprest(in, cls);
            return -1;
        }
        const double v = std::atof(token);
        schemes[k] = v > 2e9 ? 2000000000 : static_cast<int>(v);
    }
    droprest(in, cls);
    try {
        if (reSector.formConcordance(schemes[0], schemes[1]) == 0) return 0;
    } catch (const std::exception&) {
    }
    printout("\nError:  in rs formagg, cannot form resector aggregation.\n");
    return -1;
}

// ---- the data subcommands ----

// Operand kinds: a vector ('v' or 'l'), a full matrix, a full or packed matrix.
enum Kind { vectorKind, fullKind, anyMatrixKind };

struct Member {
    const char* word;
    int schemeCount;
    const char* schemeArg[4];
    const char* schemeUsage[4];  // printed with an invalid scheme token
    const char* rangeUsage;      // printed with a scheme number out of range
    int operandCount;
    const char* operandArg[3];
    const char* operandUsage[3];
    Kind kinds[3];
    int defaultArg;  // the operand (0-based) that must lie in the default Vam bank
    int written;     // the operand written back
};

#define RS "ReSector Syntax:  rs "
const Member aggvectorMember = {
    "aggvector", 2, {"<NFrom>", "<Nto>"},
    {RS "aggvector <Number From> <Number To>\n", RS "aggvector <Number From> <Number To>\n"},
    RS "aggvector <Number From> <Number To>\n", 3,
    {"<Input Vector>", "<Output Vector>", "<Split>"},
    {RS "aggvector <Number From> <Number To> <Input Vector>  <Output Vector>  <Split Vector> \n",
     RS "aggvector <Number From> <Number To> <Input Vector>  <Output Vector>  <Split Vector> \n",
     RS "aggvector <Number From> <Number To> <Input Vector>  <Output Vector>  <Split Vector> \n"},
    {vectorKind, vectorKind, vectorKind}, 1, 1};
const Member crossaggvectorMember = {
    "crossaggvector", 3, {"<NFrom>", "<Nto>", "<Nbetween>"},
    {RS "crossaggvector <Number From> <Number To>\n",
     RS "crossaggvector <Number From> <Number To> <Number InBetween>\n",
     RS "crossaggvector <Number From> <Number To> <Number InBetween>\n"},
    RS "crossaggvector <Number From> <Number To> <Number In Between>\n", 3,
    {"<Input Vector>", "<Output Vector>", "<Split>"},
    {RS "crossaggvector <Number From> <Number To> <Number In Between> <Input Vector>  <Output Vector>  <Split Vector>\n",
     RS "crossaggvector <Number From> <Number To> <Number In Between> <Input Vector><Output Vector>  <Split Vector>\n",
     RS "crossaggvector <Number From> <Number To> <Number In Between> <Input Vector>  <Output Vector>  <Split Vector>\n"},
    {vectorKind, vectorKind, vectorKind}, 1, 1};
const Member ctrlvecMember = {
    "ctrlvec", 2, {"<NFrom>", "<Nto>"},
    {RS "ctrlvec <Number From> <Number To>\n", RS "ctrlvec <Number From> <Number To>\n"},
    RS "ctrlvec <Number From> <Number To>\n", 2, {"<Detailed Vector>", "<Aggregate Vector>"},
    {RS "ctrlvec <Number From> <Number To> <Detailed Vector>  <Aggregate Vector>\n",
     RS "ctrlvec <Number From> <Number To> <Detailed Vector>  <Aggregate Vector>\n"},
    {vectorKind, vectorKind}, 0, 0};
const Member rdctrlvecMember = {
    "rdctrlvec", 2, {"<NFrom>", "<Nto>"},
    {RS "rdctrlvec <Number From> <Number To>\n", RS "rdctrlvec <Number From> <Number To>\n"},
    RS "rdctrlvec <Number From> <Number To>\n", 2, {"<Detailed Vector>", "<Aggregate Vector>"},
    {RS "rdctrlvec <Number From> <Number To> <Detailed Vector>  <Aggregate Vector>\n",
     RS "rdctrlvec <Number From> <Number To> <Detailed Vector>  <Aggregate Vector>\n"},
    {vectorKind, vectorKind}, 0, 0};
const Member aggmatrowsMember = {
    "aggmatrows", 2, {"<NFrom>", "<Nto>"},
    {RS "aggmatrows <Number From> <Number To>\n", RS "aggmatrows <Number From> <Number To>\n"},
    RS "aggmatrows <Number From> <Number To>\n", 3,
    {"<Input Matrix>", "<Output Matrix>", "<Split Vector>"},
    {RS "aggmatrows <Number From> <Number To> <Input Matrix>  <Output Matrix>  <Split Vector> \n",
     RS "aggmatrows <Number From> <Number To> <Input Matrix>  <Output Matrix>  <Split Vector> \n",
     RS "aggmatrows <Number From> <Number To> <Input Matrix>  <Output Matrix>  <Split Vector> \n"},
    {anyMatrixKind, fullKind, vectorKind}, 1, 1};
const Member aggmatrixMember = {
    "aggmatrix", 4, {"<NRowFrom>", "<NRowTo>", "<NColumnFrom>", "<NColumnTo>"},
    {RS "aggmatrix <Number Row From> <Number Row To>\n", RS "aggmatrix <Number Row From> <Number Row To>\n",
     RS "aggmatrix <Number Row From> <Number Row To> <Number Column From> <Number Column To>\n",
     RS "aggmatrix <Number Row From> <Number Row To> <Number Column From> <Number Column To>\n"},
    RS "aggmatrix <Number From> <Number To>\n", 2, {"<Input Matrix>", "<Output Matrix>"},
    {RS "aggmatrix <Number From> <Number To> <Input Matrix>  <Output Matrix>\n",
     RS "aggmatrix <Number From> <Number To> <Input Matrix>  <Output Matrix> \n"},
    {fullKind, fullKind}, 1, 1};
const Member ctrlmatrowsMember = {
    "ctrlmatrows", 2, {"<NFrom>", "<Nto>"},
    {RS "ctrlmatrows <Number From> <Number To>\n", RS "ctrlmatrows <Number From> <Number To>\n"},
    RS "ctrlmatrows <Number From> <Number To>\n", 2, {"<Input Matrix>", "<Output Matrix>"},
    {RS "ctrlmatrows <Number From> <Number To> <Input Matrix>  <Output Matrix>\n",
     RS "ctrlmatrows <Number From> <Number To> <Input Matrix>  <Output Matrix>\n"},
    {anyMatrixKind, anyMatrixKind}, 1, 0};
const Member ctrlmatMember = {
    "ctrlmat", 2, {"<NFrom>", "<Nto>"},
    {RS "ctrlmat <Number From> <Number To>\n", RS "ctrlmat <Number From> <Number To>\n"},
    RS "ctrlmat <Number From> <Number To>\n", 2, {"<Input Matrix>", "<Output Matrix>"},
    {RS "ctrlmat <Number From> <Number To> <Input Matrix> <Output Matrix>\n",
     RS "ctrlmat <Number From> <Number To> <Input Matrix> <Output Matrix>\n"},
    {anyMatrixKind, anyMatrixKind}, 1, 0};
const Member crossaggmatrowsMember = {
    "crossaggmatrows", 3, {"<NFrom>", "<Nto>", "<Nbetween>"},
    {RS "crossaggmatrows <Number From> <Number To> <Number In Between>\n",
     RS "crossaggmatrows <Number From> <Number To> <Number In Between>\n",
     RS "crossaggmatrows <Number From> <Number To> <Number InBetween>\n"},
    RS "crossaggmatrows <Number From> <Number To> <Number In Between>\n", 3,
    {"<Input Matrix>", "<Output Matrix>", "<Split Vector>"},
    {RS "crossaggmatrows <Number From> <Number To> <Number In Between> <Input Matrix> <Output Matrix> <Split Vector>\n",
     RS "crossaggmatrows <Number From> <Number To> <Number In Between> <Input Matrix> <Output Matrix> <Split Vector>\n",
     RS "crossaggmatrows <Number From> <Number To> <Number In Between> <Input Matrix>  <Output Matrix>  <Split Vector> \n"},
    {anyMatrixKind, anyMatrixKind, vectorKind}, 1, 1};
#undef RS

const char* const ordinals[3] = {"third", "fourth", "fifth"};

// One operand of a data subcommand: where it lives, and its work copy for one period.
struct Work {
    VamFile* bank = nullptr;
    std::string name;
    int index = -1;
    char type = 0;
    std::string packedFile;
    Vector<float> v;
    Matrix<float> m;
    Pmatrix p;
    bool packed() const { return type == 'p'; }
    bool vector() const { return type != 'm' && type != 'p'; }
};

// The bank and element of an operand name, with the frame's messages; false after one.
bool resolve(const Member& mb, int k, const char* typed, Work& w) {
    const bool matrixMember = mb.kinds[0] != vectorKind;
    const bool wantsMatrix = mb.kinds[k] != vectorKind;
    std::string name = typed;
    int slot = defaultVamBank;
    const bool lettered = std::strlen(typed) >= 3 && typed[1] == '.';
    if (lettered) {
        const char c = typed[0];
        if (c < 'a' || c > 'z') {
            printout("Error:  In rs %s, %s does not name a bank slot a to z.\n", mb.word, typed);
            return false;
        }
        slot = c - 'a';
        name = typed + 2;
        if (k == mb.defaultArg && slot != defaultVamBank) {
            printout("Error:  In rs %s, %s argument must be a %s in the default vam bank.\n", mb.word,
                     ordinals[k], wantsMatrix ? "matrix" : "vector");
            return false;
        }
    } else if (slot < 0 || slot >= workspaceSlot) {
        printout("Error:  In rs %s, no default vam bank is set for %s.\n", mb.word, typed);
        return false;
    }
    if (!bankSlots[slot]) {
        printout("Error:  No banks loaded in slot %c\r\n", 'a' + slot);
        return false;
    }
    VamFile* bank = vamof(bankSlots[slot]);
    const int i = bank ? bank->findser(name.c_str()) : -1;
    if (i < 0) {
        const bool saysMatrix = matrixMember && k == 1;
        printout("\nError:  in rs %s, cannot find %s %s.\n", mb.word, saysMatrix ? "matrix" : "vector",
                 name.c_str());
        return false;
    }
    const char type = bank->eltype(i);
    const bool ok = mb.kinds[k] == vectorKind ? (type != 'm' && type != 'p')
                    : mb.kinds[k] == fullKind ? type == 'm'
                                              : (type == 'm' || type == 'p');
    if (!ok) {
        printout("Error:  In rs %s, %s argument must be a %s\n", mb.word, ordinals[k],
                 wantsMatrix ? "matrix" : "vector");
        return false;
    }
    w.bank = bank;
    w.name = bank->nameOf(i);
    w.index = i;
    w.type = type;
    if (type == 'p') {
        const char* file = bank->packedFileName(bank->lagsOf(i));
        w.packedFile = file ? file : "";
    }
    return true;
}

// The concordance from F to T is formed; else the mapping message and the usage.
bool mapped(const char* word, int F, int T, const char* usage) {
    if (reSector.countMapped(F, T) >= 0) return true;
    printout("Error:  In rs %s, no mapping established from %d sectors to %d sectors.\n", word, F, T);
    printout("%s", usage);
    return false;
}

void loadingfailure(const char* word, const JexDate& d) {
    const char* format = d.frequency == 1   ? "Error:  In rs %s, trouble loading data in period %4f\n"
                         : d.frequency == 4 ? "Error:  In rs %s, trouble loading data in period %6.1f\n"
                                            : "Error:  In rs %s, trouble loading data in period %8.3f\n";
    printout(format, word, static_cast<double>(d.toFloat()));
}

int readwork(Work& w, float date, int expectRows, int expectCols) {
    if (w.vector()) return readvector(w.v, w.bank, w.name.c_str(), date);
    if (w.packed()) {
        // declared from the element: its shape must be the one the routine works on
        if (expectRows > 0 && w.p.rows() != expectRows) return -1;
        if (expectCols > 0 && w.p.cols() != expectCols) return -1;
        return w.p.load(w.packedFile.c_str(), date);
    }
    return readmatrix(w.m, w.bank, w.name.c_str(), date);
}

int writework(Work& w, float date) {
    if (w.vector()) return writevector(w.v, w.bank, w.name.c_str(), date);
    if (w.packed()) return w.p.store(w.packedFile.c_str(), date);
    return writematrix(w.m, w.bank, w.name.c_str(), date);
}

int datacommand(const Member& mb, std::FILE* in) {
    char token[tokenSize];
    if (!reSector.isCreated()) {
        printout("\nError:  in rs %s, a Resector object first must be formed with the rs create command:\n",
                 mb.word);
        printout("%s", createUsage);
        droprest(in, gettoken(token, in, 0, tokenSize));
        return -1;
    }
    if (defaultVamBank >= 0 && defaultVamBank < workspaceSlot) storefirst(vamof(bankSlots[defaultVamBank]));

    int scheme[4] = {0, 0, 0, 0};
    int cls = 0;
    for (int k = 0; k < mb.schemeCount; ++k) {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'n') {
            printout("Error:  in rs %s command, invalid %s argument.\n", mb.word, mb.schemeArg[k]);
            printout("%s", mb.schemeUsage[k]);
            droprest(in, cls);
            return -1;
        }
        const double v = std::atof(token);
        if (!(v >= 1 && v <= rsDefaultMaxSectors())) {
            printout("Error:  in rs %s command, argument is out of range.\n", mb.word);
            printout("%s", mb.rangeUsage);
            droprest(in, cls);
            return -1;
        }
        scheme[k] = static_cast<int>(v);
    }
    std::string names[3];
    for (int k = 0; k < mb.operandCount; ++k) {
        cls = gettoken(token, in, 0, tokenSize);
        if (!nametoken(cls)) {
            printout("Error:  in rs %s command, invalid %s argument.\n", mb.word, mb.operandArg[k]);
            printout("%s", mb.operandUsage[k]);
            droprest(in, cls);
            return -1;
        }
        names[k] = token;
    }
    droprest(in, cls);

    Work work[3];
    for (int k = 0; k < mb.operandCount; ++k)
        if (!resolve(mb, k, names[k].c_str(), work[k])) return -1;
    const bool matrixMember = mb.kinds[0] != vectorKind;
    const bool twoMatrices = matrixMember && mb.kinds[1] == anyMatrixKind;
    if (twoMatrices && work[0].packed() != work[1].packed()) {
        printout("Error:  In rs %s, both matrices either must be full or packed.\n", mb.word);
        return -1;
    }
    if (&mb == &crossaggmatrowsMember && work[0].packed()) {
        printout("Error:  In rs %s, packed matrices currently not supported.\n", mb.word);
        return -1;
    }

    Range range = fdaterange();
    for (int k = 0; k < mb.operandCount; ++k) clip(range, *work[k].bank);

    const int F = scheme[0], T = scheme[1], B = scheme[2];
    try {
        // work operands sized as the routine expects them; a read of an element of other
        // dimensions fails
        auto sizevector = [](Work& w, int n) { w.v = Vector<float>(n, 1); };
        auto sizematrix = [](Work& w, int rows, int cols = 0) {
            const int r = rows > 0 ? rows : w.bank->rowsOf(w.index);
            w.m.resize(r, cols > 0 ? cols : w.bank->columnsOf(w.index));
        };
        auto declare = [](Work& w) { return w.p.declare(w.bank, w.name.c_str(), w.packedFile.c_str()); };
        int expectRows[3] = {0, 0, 0}, expectCols[3] = {0, 0, 0};
        const bool square = &mb == &ctrlmatMember;  // rows and columns are both sectors
        if (!matrixMember) {
            const int sizes[3] = {F, T, &mb == &crossaggvectorMember ? B : T};
            for (int k = 0; k < mb.operandCount; ++k) sizevector(work[k], sizes[k]);
        } else if (&mb == &aggmatrowsMember) {
            if (work[0].packed()) {
                if (declare(work[0]) != 0) return -1;
            } else {
                sizematrix(work[0], 0);
            }
            sizematrix(work[1], 0);
            sizevector(work[2], T);
        } else if (&mb == &aggmatrixMember) {
            sizematrix(work[0], 0);
            sizematrix(work[1], 0);
        } else if (&mb == &crossaggmatrowsMember) {
            sizematrix(work[0], F);
            sizematrix(work[1], T);
            sizevector(work[2], B);
        } else {  // ctrlmatrows, ctrlmat: D rows and A rows
            for (int k = 0; k < 2; ++k) {
                if (work[k].packed()) {
                    if (declare(work[k]) != 0) return -1;
                    expectRows[k] = scheme[k];
                    if (square) expectCols[k] = scheme[k];
                } else {
                    sizematrix(work[k], scheme[k], square ? scheme[k] : 0);
                }
            }
        }

        // every concordance the routine reads must be formed
        const char* rowUsage = "ReSector Syntax:  rs formagg <Number Row From> <Number Row To>\n";
        const char* columnUsage =
            "ReSector Syntax:  rs formagg <Number Row From> <Number Row To> <Number Column From> <Number Column To>\n";
        bool formed = true;
        if (&mb == &crossaggvectorMember) {
            formed = mapped("crossagvector", F, B, formaggUsage) && mapped("crossagvector", B, T, formaggUsage) &&
                     mapped("crossagvector", F, T, formaggUsage) && mapped("crossagvector", B, F, formaggUsage);
        } else if (&mb == &crossaggmatrowsMember) {
            formed = mapped(mb.word, F, B, formaggUsage) && mapped(mb.word, B, T, formaggUsage);
        } else if (&mb == &aggmatrixMember) {
            formed = mapped(mb.word, scheme[0], scheme[1], rowUsage) &&
                     mapped(mb.word, scheme[2], scheme[3], columnUsage);
        } else if (mb.defaultArg == 0 || &mb == &ctrlmatrowsMember || &mb == &ctrlmatMember) {
            // control members: D to A, and A to D that their routines walk
            formed = mapped(mb.word, F, T, formaggUsage) && mapped(mb.word, T, F, formaggUsage);
        } else {
            formed = mapped(mb.word, F, T, formaggUsage);
        }
        if (!formed) return -1;

        if (range.empty()) return 0;
        for (JexDate d = range.first; d <= range.last; d = d + 1) {
            if (addPrint == 1) {
                char date[JexDate::textSize];
                printout("Calculating %s.\n", d.print(date));
            }
            const float date = d.toFloat();
            for (int k = 0; k < mb.operandCount; ++k)
                if (readwork(work[k], date, expectRows[k], expectCols[k]) != 0) {
                    loadingfailure(mb.word, d);
                    return -1;
                }
            int status = 0;
            Work &a = work[0], &b = work[1], &c = work[2];
            if (&mb == &aggvectorMember) {
                status = reSector.AggVector(F, T, a.v, b.v, c.v);
            } else if (&mb == &crossaggvectorMember) {
                status = reSector.CrossAggVector(F, T, B, a.v, b.v, c.v);
            } else if (&mb == &ctrlvecMember) {
                status = reSector.CtrlVec(F, T, a.v, b.v);
                if (status != 0) printout("\nError:  In rs ctrlvec command.\n");
            } else if (&mb == &rdctrlvecMember) {
                status = reSector.RdCtrlVec(F, T, a.v, b.v);
            } else if (&mb == &aggmatrowsMember) {
                status = a.packed() ? reSector.AggMatRows(F, T, a.p, b.m, c.v)
                                    : reSector.AggMatRows(F, T, a.m, b.m, c.v);
            } else if (&mb == &aggmatrixMember) {
                status = reSector.aggMatrix(scheme[0], scheme[1], scheme[2], scheme[3], a.m, b.m);
            } else if (&mb == &ctrlmatrowsMember) {
                status = a.packed() ? reSector.CtrlMatRows(F, T, a.p, b.p)
                                    : reSector.CtrlMatRows(F, T, a.m, b.m, d);
            } else if (&mb == &ctrlmatMember) {
                status = a.packed() ? reSector.CtrlMat(F, T, a.p, b.p) : reSector.CtrlMat(F, T, a.m, b.m);
            } else {
                status = reSector.CrossAggMatRows(F, T, B, a.m, b.m, c.v);
            }
            if (status != 0) return -1;
            if (writework(work[mb.written], date) != 0) return -1;
        }
        return 0;
    } catch (const Jex7Errors&) {
    } catch (const std::exception&) {
    }
    printout(&mb == &aggmatrixMember ? "\nError:  cannot form resector aggmatrix.\n"
                                     : "\nError:  cannot form resector aggregation.\n");
    return -1;
}

}  // namespace

int rscmd(std::FILE* in) {
    char token[tokenSize];
    const int cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'a') {
        printout("\nError:  \"%s\" is not a valid argument.\n", ended(cls) ? "" : token);
        droprest(in, cls);
        return -1;
    }
    static const Member* const members[] = {&aggvectorMember,  &ctrlvecMember,    &rdctrlvecMember,
                                            &crossaggvectorMember, &aggmatrowsMember, &aggmatrixMember,
                                            &ctrlmatrowsMember, &ctrlmatMember,   &crossaggmatrowsMember};
    try {
        if (std::strcmp(token, "create") == 0) return rscreate(in) == 0 ? 0 : -1;
        if (std::strcmp(token, "formagg") == 0) return rsformagg(in) == 0 ? 0 : -1;
        for (const Member* mb : members)
            if (std::strcmp(token, mb->word) == 0) return datacommand(*mb, in) == 0 ? 0 : -1;
    } catch (...) {
        printout("\nError:  trouble with ReSector command.\n");
        return -1;
    }
    printout("\nError:  \"%s\" is not a valid argument in resector.\n", token);
    droprest(in, cls);
    return -1;
}
