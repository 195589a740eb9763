// The resectoring engine: the key file, the schemes and the concordances.
#include "matrix/resector.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/printout.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "matrix/frame.h"

ReSector reSector;

int rsDefaultColumns() { return 20; }
int rsDefaultMaxSectors() { return 2500; }

namespace {

constexpr int keyTokenSize = 100;

// The integer value of a number token, held within the range of int.
int integerof(const char* token) {
    const double v = std::atof(token);
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

void noscheme(int scheme) { printout("\nError:  No such aggregation scheme: %d\n", scheme); }

}  // namespace

ReSector::ReSector() = default;

ReSector::~ReSector() { reset(); }

void ReSector::reset() {
    for (auto& c : concordances) c.reset();
    schemeNumbers.fill(0);
    keyTable.clear();
    keyTable.shrink_to_fit();
    created = 0;
}

int ReSector::readKeyFile(const char* path, int columns, int maxLines) {
    if (created) reset();
    if (columns < 1 || columns > maxColumns || maxLines < 1) {
        printout("\nError:  in ReSector routine, a key of %d columns and %d lines cannot be read.\n",
                 columns, maxLines);
        return -1;
    }
    // The key is read through the command tokenizer: its input state is kept aside and the
    // tokenizer pointed at the file.
    ReaderPositionSaver position;
    ReaderSourceSaver sources;
    struct EchoSaver {
        int saved = addPrint;
        ~EchoSaver() { addPrint = saved; }
    } echo;
    addPrint = 0;  // key lines are not echoed like the lines of an add file
    keyboardInput = 'n';
    replayMode = 'n';
    replayList = nullptr;
    lastChar = '\n';
    ungotChar = 0;
    tokenPushedBack = 0;

    sectorCount = 0;
    columnCount = columns;
    maxSectors = maxLines;
    created = 0;
    for (auto& c : concordances) c.reset();
    schemeNumbers.fill(0);
    keyTable.clear();

    std::FILE* f = std::fopen(path, "r");
    if (!f) {
        printout("\nError:  in ReSector routine, unable to open %s key file.\n", path);
        return -1;
    }
    struct Closer {
        std::FILE* f;
        ~Closer() {
            std::fclose(f);
            tokenPushedBack = 0;
        }
    } closer{f};
    auto bad = [&]() {
        printout("\nError:  in ReSector routine, got bad value in %s key file.\n", path);
        keyTable.clear();
        return -1;
    };
    char token[keyTokenSize];
    int cls = 0;
    for (int k = 0; k < columns; ++k) {
        cls = gettoken(token, f, 0, keyTokenSize);
        if (cls != 'n') return bad();
        const int scheme = integerof(token);
        if (scheme < 1) return bad();  // a scheme has at least one sector
        schemeNumbers[static_cast<std::size_t>(k)] = scheme;
    }
    mframe::droprest(f, cls);

    int count = 0;
    int interruptions = 0;
    for (;;) {
        cls = gettoken(token, f, 0, keyTokenSize);
        if (cls == 'f' || cls == 'e') break;
        if (cls == 27 || cls == 18 || cls == -1) {
            if (++interruptions > 1000) break;  // the input gives nothing more
            continue;
        }
        interruptions = 0;
        ungettoken();
        if (++count > maxLines) break;
        for (int c = 0; c < columns; ++c) {
            cls = gettoken(token, f, 0, keyTokenSize);
            if (cls != 'n') return bad();
            keyTable.push_back(integerof(token));
        }
        mframe::droprest(f, cls);
    }
    if (count > maxLines) {
        printout("\nError:  Too many lines in ReSector aggregation file: %d.  MaxSecs = %d.\n",
                 count, maxLines);
        keyTable.clear();
        return -1;
    }
    sectorCount = count;
    created = 1;
    return 0;
}

int ReSector::schemeIndex(int scheme) const {
    for (int k = 0; k < columnCount && k < maxColumns; ++k)
        if (schemeNumbers[static_cast<std::size_t>(k)] == scheme) return k;
    return -1;
}

int ReSector::addMapping(int a, int b, int s, int t) {
    Concordance* c = concordanceOf(a, b);
    if (!c || s < 1) return 0;
    if (static_cast<std::size_t>(s) >= c->lists.size()) c->lists.resize(static_cast<std::size_t>(s) + 1);
    auto& list = c->lists[static_cast<std::size_t>(s)];
    for (std::size_t k = 0; k < list.size(); ++k)
        if (list[k] == t) return static_cast<int>(k) + 1;
    list.push_back(t);
    return 0;
}

int ReSector::formConcordance(int F, int T) {
    const int a = schemeIndex(F);
    if (a < 0) {
        noscheme(F);
        return -1;
    }
    const int b = schemeIndex(T);
    if (b < 0) {
        noscheme(T);
        return -1;
    }
    // formed aside and put in place whole, so that a failure leaves no half-formed pair
    auto made = std::make_unique<Concordance>();
    made->sourceCount = F;
    std::unique_ptr<Concordance>& slot = concordances[static_cast<std::size_t>(a * maxColumns + b)];
    slot.swap(made);
    try {
        for (int i = 1; i <= sectorCount; ++i) {
            const int c = keyAt(i, a + 1), e = keyAt(i, b + 1);
            if (c >= 1 && c <= F && e >= 1 && e <= T) addMapping(a, b, c, e);
        }
    } catch (...) {
        slot.reset();
        throw;
    }
    return 0;
}

const std::vector<int>* ReSector::targetsOf(int F, int T, int s, int& status) {
    const int a = schemeIndex(F);
    const int b = a < 0 ? -1 : schemeIndex(T);
    if (a < 0 || b < 0) {
        status = -1;
        return nullptr;
    }
    const Concordance* c = concordanceOf(a, b);
    if (!c) {
        status = -2;
        return nullptr;
    }
    status = 0;
    if (s < 1 || s > c->sourceCount || static_cast<std::size_t>(s) >= c->lists.size()) return nullptr;
    const auto& list = c->lists[static_cast<std::size_t>(s)];
    return list.empty() ? nullptr : &list;
}

int ReSector::mapCount(int F, int T, int s) {
    int status = 0;
    const std::vector<int>* list = targetsOf(F, T, s, status);
    if (status == -1) {
        noscheme(schemeIndex(F) < 0 ? F : T);
        return -1;
    }
    if (status == -2) {
        printout("Error:  In rs concordance, no mapping was defined from %d to %d.\n", F, T);
        return -2;
    }
    return list ? static_cast<int>(list->size()) : 0;
}

int ReSector::mappedSectors(int F, int T, int s, int* out) {
    int status = 0;
    const std::vector<int>* list = targetsOf(F, T, s, status);
    if (status == -1) noscheme(schemeIndex(F) < 0 ? F : T);
    if (status != 0) return status;
    if (!list) return -1;
    std::copy(list->begin(), list->end(), out);
    return static_cast<int>(list->size());
}

int ReSector::firstMapped(int F, int T, int s) {
    int status = 0;
    const std::vector<int>* list = targetsOf(F, T, s, status);
    if (status == -1) noscheme(schemeIndex(F) < 0 ? F : T);
    if (status != 0) return status;
    if (s < 1 || s > F) return -3;
    return list ? list->front() : -4;
}

int ReSector::countMapped(int F, int T) {
    int status = 0;
    targetsOf(F, T, 0, status);
    if (status == -1) noscheme(schemeIndex(F) < 0 ? F : T);
    if (status != 0) return status;
    const Concordance* c = concordanceOf(schemeIndex(F), schemeIndex(T));
    int n = 0;
    for (std::size_t s = 1; s < c->lists.size() && s <= static_cast<std::size_t>(F); ++s)
        if (!c->lists[s].empty()) ++n;
    return n;
}

std::vector<int> ReSector::group(int F, int T, int s) {
    int status = 0;
    const std::vector<int>* list = targetsOf(F, T, s, status);
    return list ? *list : std::vector<int>();
}
