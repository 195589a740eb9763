#include "core/workarrays.h"

#include <cfenv>
#include <cstdlib>

#include "core/printout.h"
#include "platform/platform.h"

namespace {

// Elements from min(0, nl) to nh; the offset of index 0 within the block.
long blockOffset(long nl) { return nl < 0 ? -nl : 0; }

template <typename T>
T* allocVector(long nl, long nh) {
    long offset = blockOffset(nl);
    long count = nh + 1 + offset;
    if (count < 1) count = 1;  // an empty range still gets a valid handle
    void* block = std::malloc(static_cast<std::size_t>(count) * sizeof(T));
    if (!block) return nullptr;
    return static_cast<T*>(block) + offset;
}

template <typename T>
void freeVector(T* v, long nl) {
    if (!v) return;
    std::free(v - blockOffset(nl));
}

template <typename T>
T** allocMatrix(long nrl, long nrh, long ncl, long nch) {
    T** table = allocVector<T*>(nrl, nrh);
    if (!table) {
        printout("\nNot enough space.\n");
        return nullptr;
    }
    long rowFirst = nrl < 0 ? nrl : 0;
    for (long i = rowFirst; i <= nrh; ++i) table[i] = nullptr;
    for (long i = nrl; i <= nrh; ++i) {
        table[i] = allocVector<T>(ncl, nch);
        if (!table[i]) {
            printout("\nNot enough space.\n");
            for (long k = nrl; k < i; ++k) freeVector(table[k], ncl);
            freeVector(table, nrl);
            return nullptr;
        }
    }
    return table;
}

template <typename T>
void freeMatrix(T** m, long nrl, long nrh, long ncl) {
    if (!m) return;
    for (long i = nrh; i >= nrl; --i)
        if (m[i]) freeVector(m[i], ncl);
    freeVector(m, nrl);
}

template <typename T>
T* vectorOrMessage(long nl, long nh) {
    T* v = allocVector<T>(nl, nh);
    if (!v) printout("\nNot enough space.\n");
    return v;
}

}  // namespace

float* fvector(long nl, long nh) { return vectorOrMessage<float>(nl, nh); }
double* dvector(long nl, long nh) {
    double* v = allocVector<double>(nl, nh);
    if (!v) {
        printout("allocation failure in dvector()");
        printout("\nNot enough space.\n");
    }
    return v;
}
std::int16_t* svector(long nl, long nh) { return vectorOrMessage<std::int16_t>(nl, nh); }
std::int32_t* ivector(long nl, long nh) { return vectorOrMessage<std::int32_t>(nl, nh); }

void free_fvector(float* v, long nl) { freeVector(v, nl); }
void free_dvector(double* v, long nl) { freeVector(v, nl); }
void free_svector(std::int16_t* v, long nl) { freeVector(v, nl); }
void free_ivector(std::int32_t* v, long nl) { freeVector(v, nl); }

float** fmatrix(long nrl, long nrh, long ncl, long nch) {
    return allocMatrix<float>(nrl, nrh, ncl, nch);
}
double** dmatrix(long nrl, long nrh, long ncl, long nch) {
    return allocMatrix<double>(nrl, nrh, ncl, nch);
}
void free_fmatrix(float** m, long nrl, long nrh, long ncl) { freeMatrix(m, nrl, nrh, ncl); }
void free_dmatrix(double** m, long nrl, long nrh, long ncl) { freeMatrix(m, nrl, nrh, ncl); }

void nomemory() {}

int floatingPointStatusWord() {
    int word = 0;
    if (std::fetestexcept(FE_INEXACT)) word |= 1;
    if (std::fetestexcept(FE_UNDERFLOW)) word |= 2;
    if (std::fetestexcept(FE_OVERFLOW)) word |= 4;
    if (std::fetestexcept(FE_DIVBYZERO)) word |= 8;
    if (std::fetestexcept(FE_INVALID)) word |= 16;
    return word;
}

int fpcheck(const char* stage, int position) {
    if (!platform::floatingPointFault()) return 0;
    printout("\nAn arithmetic exception %d has occured %s", floatingPointStatusWord(),
             stage ? stage : "");
    if (position >= 0)
        printout(" at %d.\n", position);
    else
        printout(".\n");
    printout("Do not trust answers.\n");
    platform::clearFloatingPointStatus();
    return pausebox("Arithmetic error!", "Error") == 27 ? 27 : -1;
}
