// Construction of lettered banks by kind. Only the workspace format is available here; the
// compressed, hashed, directory-of-forecasts and Vam kinds are added in this one place.
#include "banks/openbank.h"

#include "banks/jexbank.h"

bool bankkindavailable(char kind) { return kind == 'w'; }

DataBank* openbank(char kind, const char* stem, const char*) {
    switch (kind) {
    case 'w':
        return new JexBank(stem, "Read", 1965, 200, 1);
    default:
        return nullptr;
    }
}
