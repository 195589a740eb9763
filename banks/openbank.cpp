// Construction of lettered banks by kind: the one place where a bank of a given kind is made.
#include "banks/openbank.h"

#include "banks/compbank.h"
#include "banks/dirfor.h"
#include "banks/hashbank.h"
#include "banks/jexbank.h"
#include "vam/vamfile.h"

bool bankkindavailable(char kind) {
    return kind == 'w' || kind == 'c' || kind == 'h' || kind == 'd' || kind == 'v';
}

DataBank* openbank(char kind, const char* stem, const char* listing) {
    switch (kind) {
    case 'w':
        return new JexBank(stem, "Read", 1965, 200, 1);
    case 'c':
        return new CompBank(stem);
    case 'h':
        return new HashBank(stem);
    case 'd':
        return new Dirfor(stem, listing ? listing : "dirfor.dat");
    case 'v':
        return new VamFile(stem);
    default:
        return nullptr;
    }
}
