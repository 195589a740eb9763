#include "series/functions_common.h"

#include <cmath>
#include <utility>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "series/exprtext.h"
#include "series/rhs.h"
#include "series/series_state.h"

int atfail(const char* label) {
    if (rhsrefused()) return -1;  // the expression's failure was reported once already
    printout("\r\n error in %s function \r\n", label);
    return -1;
}

int atread(char* token, std::FILE* in, char*& text) {
    int cls = gettoken(token, in, 0, 78);
    if (cls != 'f' && cls != 'e' && cls != -1 && text != nullptr) textappend(text, token);
    return cls;
}

void atback(char*& text) {
    if (text != nullptr) --text;
}

void atcomma(char*& text) {
    atback(text);
    if (text != nullptr) textappend(text, ",");
}

FRange frange(int n) {
    FRange r{fdate1index(), fdate2index()};
    if (r.first < 0) r.first = 0;
    if (r.last > n - 1) r.last = n - 1;
    return r;
}

float atfillvalue() { return missingOn == 'n' ? 0.0f : MISSING; }

int atobs() {
    int n = wsMaxObs;
    if (n < 0) return 0;
    return n > 1999 ? 1999 : n;
}

namespace {

// The free arrays of each element type.
template <class T>
std::vector<std::unique_ptr<T[]>>& heldpool() {
    static std::vector<std::unique_ptr<T[]>> pool = [] {
        std::vector<std::unique_ptr<T[]>> p;
        p.reserve(64);
        return p;
    }();
    return pool;
}

}  // namespace

template <class T>
HeldArray<T>::HeldArray() {
    auto& pool = heldpool<T>();
    if (pool.empty()) {
        block_ = std::make_unique_for_overwrite<T[]>(fnArrayLength);
    } else {
        block_ = std::move(pool.back());
        pool.pop_back();
    }
}

template <class T>
HeldArray<T>::~HeldArray() {
    heldpool<T>().push_back(std::move(block_));
}

template class HeldArray<float>;
template class HeldArray<double>;
