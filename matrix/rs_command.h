// rs (resector): the user's door to the resectoring engine `reSector`. rs create reads a key
// file, rs formagg forms a concordance, and the data subcommands carry vectors and matrices
// of Vam banks from one scheme to another period by period.
#pragma once

#include <cstdio>

int rscmd(std::FILE* in);
