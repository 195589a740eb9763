// The @function handlers of series expressions. Every handler has the signature of
// AtHandler (series/atfunction.h): handler(out, input, text) reads its own "(" argument
// list from the input (series arguments with rhs), copies every token it reads to the text
// cursor, writes its value for every observation of the workspace into out, leaves the
// frequency of the value in currentFrequency and returns 0, or a non-zero code after its
// own message.
#pragma once

#include <cstdio>

// Elementwise functions (series/functions_elementwise.cpp).
int atdiff(float* out, std::FILE* in, char*& text);  // @d and @diff
int atdlog(float* out, std::FILE* in, char*& text);
int atexp(float* out, std::FILE* in, char*& text);
int atlog(float* out, std::FILE* in, char*& text);
int atsqrt(float* out, std::FILE* in, char*& text);
int atsq(float* out, std::FILE* in, char*& text);
int atfabs(float* out, std::FILE* in, char*& text);
int atsign(float* out, std::FILE* in, char*& text);
int atsin(float* out, std::FILE* in, char*& text);
int atifpos(float* out, std::FILE* in, char*& text);
int atpos(float* out, std::FILE* in, char*& text);
int atzero(float* out, std::FILE* in, char*& text);
int atmiss(float* out, std::FILE* in, char*& text);
int atround(float* out, std::FILE* in, char*& text);
int atpow(float* out, std::FILE* in, char*& text);
int atlint(float* out, std::FILE* in, char*& text);
int atrand(float* out, std::FILE* in, char*& text);
int atnormal(float* out, std::FILE* in, char*& text);

// Growth rates, levels, peaks, moving averages (series/functions_growth.cpp).
int atpct(float* out, std::FILE* in, char*& text);  // @pct and @gr
int atyoy(float* out, std::FILE* in, char*& text);
int atpcl(float* out, std::FILE* in, char*& text);
int atpeak(float* out, std::FILE* in, char*& text);
int atma(float* out, std::FILE* in, char*& text);

// Statistics over a span of dates (series/functions_stats.cpp).
int atsum(float* out, std::FILE* in, char*& text);
int atmean(float* out, std::FILE* in, char*& text);
int atstdev(float* out, std::FILE* in, char*& text);
int atggr(float* out, std::FILE* in, char*& text);
int atmax(float* out, std::FILE* in, char*& text);
int atmin(float* out, std::FILE* in, char*& text);

// Conversion to lower frequencies (series/functions_lowfreq.cpp).
int convertfrequency(float* out, std::FILE* in, char*& text, int ratio, char method, const char* extreme);
int atqtoa(float* out, std::FILE* in, char*& text);
int atqtoae(float* out, std::FILE* in, char*& text);
int atqtoamax(float* out, std::FILE* in, char*& text);
int atqtoamin(float* out, std::FILE* in, char*& text);
int atqtoas(float* out, std::FILE* in, char*& text);
int atqtos(float* out, std::FILE* in, char*& text);
int atqtose(float* out, std::FILE* in, char*& text);
int atqtosmax(float* out, std::FILE* in, char*& text);
int atqtosmin(float* out, std::FILE* in, char*& text);
int atqtoss(float* out, std::FILE* in, char*& text);
int atmtoq(float* out, std::FILE* in, char*& text);
int atmtoqe(float* out, std::FILE* in, char*& text);
int atmtoqmax(float* out, std::FILE* in, char*& text);
int atmtoqmin(float* out, std::FILE* in, char*& text);
int atmtoqs(float* out, std::FILE* in, char*& text);
int atmtoa(float* out, std::FILE* in, char*& text);
int atmtoae(float* out, std::FILE* in, char*& text);
int atmtoamax(float* out, std::FILE* in, char*& text);
int atmtoamin(float* out, std::FILE* in, char*& text);
int atmtoas(float* out, std::FILE* in, char*& text);

// Interpolation to higher frequencies and table interpolation (series/functions_interp.cpp).
int interpfrequency(float* out, std::FILE* in, char*& text, char target, char mode);
int inint(float* out, std::FILE* in, char*& text, int ratio);
int atatoq(float* out, std::FILE* in, char*& text);
int atatoqe(float* out, std::FILE* in, char*& text);
int atqtom(float* out, std::FILE* in, char*& text);
int atqtome(float* out, std::FILE* in, char*& text);
int atstoq(float* out, std::FILE* in, char*& text);
int atatoqi(float* out, std::FILE* in, char*& text);
int atinterp(float* out, std::FILE* in, char*& text);

// Aggregation over a family of series, and the conditional (series/functions_agg.cpp).
int atagg(float* out, std::FILE* in, char*& text);
int atif(float* out, std::FILE* in, char*& text);

// Hodrick-Prescott filters (series/functions_hp.cpp): any name beginning "hpf" runs
// athpfilter, any beginning "pre" atprescott.
int athpfilter(float* out, std::FILE* in, char*& text);
int atprescott(float* out, std::FILE* in, char*& text);

// Benchmark interpolation (series/functions_benchmark.cpp).
int atbmk(float* out, std::FILE* in, char*& text);

// Fisher chain indexes (series/functions_chain.cpp). mode 'p' gives the price index, 'q'
// the quantity index; the four wrappers have the handler signature for the chain of names.
int atchain(float* out, std::FILE* in, char*& text, char mode);
int atchwt(float* out, std::FILE* in, char*& text, char mode);
int atpchain(float* out, std::FILE* in, char*& text);
int atqchain(float* out, std::FILE* in, char*& text);
int atpchwt(float* out, std::FILE* in, char*& text);
int atqchwt(float* out, std::FILE* in, char*& text);
