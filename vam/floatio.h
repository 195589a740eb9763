// Runs of little-endian single-precision floats read from and written to a file at a byte
// position, in one system call each (through the platform layer).
#pragma once

#include <cstdint>
#include <cstdio>

bool readfloatsat(std::FILE* f, long long pos, float* out, long n);
bool writefloatsat(std::FILE* f, long long pos, const float* values, long n);
