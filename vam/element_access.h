// Vectors and matrices bound to elements of a Vam bank, read and written one period at a
// time. The period is the distance of the date from the bank's first date in the bank's own
// frequency; a date outside the bank is refused.
#pragma once

#include "core/matrix.h"
#include "core/vector.h"

class VamFile;

int declarevector(Vector<float>& v, VamFile* bank, const char* name);
int readvector(Vector<float>& v, VamFile* bank, const char* name, float date);
int writevector(Vector<float>& v, VamFile* bank, const char* name, float date);
int declarematrix(Matrix<float>& m, VamFile* bank, const char* name);
int readmatrix(Matrix<float>& m, VamFile* bank, const char* name, float date);
int writematrix(Matrix<float>& m, VamFile* bank, const char* name, float date);
