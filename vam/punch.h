// Punching Vam elements to text that reads back into a Vam bank (punch5 as matin5 text,
// punchvec as vmatdat text), and the readers of those texts (matin5, vmatdata).
#pragma once

#include <cstdio>
#include <string>

class DataBank;
class VamFile;

// The Vam bank of an element written [b.]name (the default Vam bank without a letter), with
// the bare name; null after the message naming the command.
VamFile* punchbank(const char* written, std::string& name, const char* command);

int punch5cmd(std::FILE* in);
int punchveccmd(std::FILE* in);
int matin5cmd(DataBank* bank, std::FILE* in);
int vmatdatacmd(DataBank* bank, std::FILE* in);
