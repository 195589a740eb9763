// The do command: a braced body run on the spot, once or once per member of a group, with
// arguments like an add file.
#pragma once

#include <cstdio>

// do {commands with %-variables} [arguments] [(group)]. A break in the body ends the loop
// and gives 0; every other status is returned as it is.
int docmd(std::FILE** in);
