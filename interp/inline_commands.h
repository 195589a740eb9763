// Commands carried out by the command chains themselves: wsreset, autocomplete, the window
// font and colour words, back, quit and exit, beep, check, pmmode, pause, pwd, clear/cls.
#pragma once

#include <cstdio>

#include "interp/dispatch_table.h"

int wsresetinline(const dispatch::Call& call);
int autocompleteinline(const dispatch::Call& call);
// Every window-font word (mainfontname ... edfontstrikeout); the entry's name says which.
int windowfontinline(const dispatch::Call& call);
int backinline(const dispatch::Call& call);
int quitinline(const dispatch::Call& call);
int beepinline(const dispatch::Call& call);
int checkinline(const dispatch::Call& call);
int pauseinline(const dispatch::Call& call);
int pwdinline(const dispatch::Call& call);
int clearinline(const dispatch::Call& call);

// pmmode [advanced|simple] on the given switch (the packed-matrix mode of the Vam banks).
int pmmodecmd(std::FILE* in, bool& advanced);

// How pause sleeps and beep sounds; tests replace them.
extern void (*pauseSleeper)(int milliseconds);
extern void (*beepSounder)();
