#include "series/group.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>

#include "core/printout.h"
#include "excel/columns.h"
#include "interp/reader.h"
#include "series/exprtext.h"

GroupSource* groupSource = nullptr;

template <class T>
void RangeList<T>::removeMember(T m) {
    for (auto it = ranges_.end(); it != ranges_.begin();) {
        --it;
        Range& r = *it;
        if (m < r.lo || m > r.hi) continue;
        if (r.lo == r.hi) {
            ranges_.erase(it);
        } else if (m == r.lo) {
            ++r.lo;
        } else if (m == r.hi) {
            --r.hi;
        } else {
            // Split in place: the part written first stays first.
            Range low{r.lo, static_cast<T>(m - 1), r.step};
            Range high{static_cast<T>(m + 1), r.hi, r.step};
            if (r.step > 0) {
                *it = low;
                ranges_.insert(std::next(it), high);
            } else {
                *it = high;
                ranges_.insert(std::next(it), low);
            }
        }
        return;
    }
}

template <class T>
void RangeList<T>::subtract(const RangeList& other) {
    for (const Range& r : other.ranges_) {
        if (r.step > 0) {
            for (long long m = r.lo; m <= r.hi; ++m) removeMember(static_cast<T>(m));
        } else {
            for (long long m = r.hi; m >= r.lo; --m) removeMember(static_cast<T>(m));
        }
    }
}

template <class T>
std::vector<T> RangeList<T>::toArray() const {
    std::vector<T> out;
    out.reserve(static_cast<std::size_t>(count()));
    for (const Range& r : ranges_) {
        if (r.step > 0) {
            for (long long m = r.lo; m <= r.hi; ++m) out.push_back(static_cast<T>(m));
        } else {
            for (long long m = r.hi; m >= r.lo; --m) out.push_back(static_cast<T>(m));
        }
    }
    return out;
}

template class RangeList<std::int16_t>;
template class RangeList<std::int32_t>;

namespace {

template <class T>
struct GroupReader {
    std::FILE* in;
    char*& text;
    std::string* echo;
    int limit;

    void copy(const char* token) {
        textappend(text, token);
        if (echo != nullptr) {
            echo->append(token);
            echo->push_back(' ');
        }
    }

    // Refuses a list that would grow past the caller's limit.
    bool roomFor(const RangeList<T>& list, long long more) {
        if (list.count() + more <= limit) return true;
        printout("\nError:  a group may hold at most %d members.\n", limit);
        return false;
    }

    bool append(RangeList<T>& list, long long a, long long b) {
        long long n = (a < b ? b - a : a - b) + 1;
        if (!roomFor(list, n)) return false;
        list.append(static_cast<T>(a), static_cast<T>(b));
        return true;
    }

    // The value of a number or column token; -2 after a message for a value out of range;
    // -1 for text that is not column letters.
    long long value(int cls, const char* token) {
        if (cls == 'n') {
            errno = 0;
            long long v = std::strtoll(token, nullptr, 10);
            if (errno == ERANGE || v > std::numeric_limits<T>::max() || v < std::numeric_limits<T>::min()) {
                printout("\nError:  group member %s is out of range (largest %d).\n", token,
                         static_cast<int>(std::numeric_limits<T>::max()));
                return -2;
            }
            return v;
        }
        return colnumber(token);
    }

    int namedGroup(RangeList<T>& list) {
        char token[78];
        int cls = gettoken(token, in, 0, 78);
        copy(token);
        std::string name;
        std::vector<std::int16_t> members;
        int size = 0;
        if (cls == 'a') {
            name = token;
            size = groupSource != nullptr ? groupSource->groupSize(token) : -1;
            if (size > 0 && size <= namedGroupLimit) {
                members.resize(static_cast<std::size_t>(size));
                groupSource->getGroup(token, members.data());
            }
        } else {
            ungettoken();
            name = "the dynamic group";
            size = groupSource != nullptr ? groupSource->dynamicGroupSize() : 0;
            if (size > 0 && size <= namedGroupLimit) {
                const std::int16_t* d = groupSource->dynamicGroup();
                members.assign(d, d + size);
            }
        }
        if (size <= 0) {
            printout("There are no elements in %s.\n", name.c_str());
            return -1;
        }
        if (size > namedGroupLimit) {
            printout("Error: there seem to be over %d elements in %s.\n", namedGroupLimit, name.c_str());
            return -1;
        }
        if (!roomFor(list, size)) return -1;
        for (std::int16_t m : members) list.append(static_cast<T>(m), static_cast<T>(m));
        return 0;
    }

    int parse(RangeList<T>& list) {
        char token[78];
        int prev = 0;
        for (;;) {
            int cls = gettoken(token, in, 0, 78);
            copy(token);
            if (cls == 'f') {
                if (prev != ',') return 0;
                continue;
            }
            prev = cls;
            long long a;
            if (cls == '(') {
                RangeList<T> sub;
                if (parse(sub) != 0) {
                    printout("Error:  problem in list.\n");
                    return -1;
                }
                if (!list.isEmpty() && !sub.isEmpty()) list.subtract(sub);
                continue;
            } else if (cls == ')') {
                return 0;
            } else if (cls == 'a' || cls == '"' || cls == 'n') {
                a = value(cls, token);
                if (a < 0) return -1;
            } else if (cls == ',') {
                continue;
            } else if (cls == ':') {
                if (namedGroup(list) != 0) return -1;
                continue;
            } else {
                printout("\nUnrecognized group element %s\n", token);
                return -1;
            }

            // After a value: a range, or the value alone.
            cls = gettoken(token, in, 0, 78);
            if (cls == '-') {
                copy(token);
                cls = gettoken(token, in, 0, 78);
                copy(token);
                if (cls == 'f') return 0;  // "7 -" at the end of a line: 7 is dropped
                prev = cls;
                long long b;
                if (cls == 'a' || cls == '"' || cls == 'n') {
                    b = value(cls, token);
                    if (b < 0) return -1;
                } else {
                    printout("\nUnrecognized group element %s after '-'\n", token);
                    return -1;
                }
                if (!append(list, a, b)) return -1;
            } else {
                ungettoken();
                if (!append(list, a, a)) return -1;
            }
        }
    }
};

template <class T>
int parsewhole(std::FILE* in, char*& text, std::vector<T>& out, std::string* echo, int limit,
               std::size_t textRoom) {
    TextBound bound(text, textRoom);
    RangeList<T> list;
    GroupReader<T> reader{in, text, echo, limit};
    if (reader.parse(list) != 0) {
        printout("Error:  problem in list.\n");
        return -1;
    }
    out = list.toArray();
    return static_cast<int>(out.size());
}

}  // namespace

int parsegroup(std::FILE* in, char*& text, std::vector<std::int16_t>& out, int limit, std::size_t textRoom) {
    return parsewhole<std::int16_t>(in, text, out, nullptr, limit, textRoom);
}

int parsegroupint(std::FILE* in, char*& text, std::vector<std::int32_t>& out, std::string& echo, int limit,
                  std::size_t textRoom) {
    echo.clear();
    return parsewhole<std::int32_t>(in, text, out, &echo, limit, textRoom);
}
