// Matrix arithmetic on Vam elements, period by period: transposition (mtrans), sums and
// differences (madd), and products, element-wise products, quotients, minima and maxima with
// either term allowed to be a number (mmult). Every right-hand operand is copied into a work
// table before the next is loaded, so the result may be one of its own operands.
#pragma once

#include <cstdio>

class DataBank;

// mtrans <destination> <source> [yr]
int mtranscmd(DataBank* bank, std::FILE* in);
// madd <result> = <term1> +|- <term2> [yr]
int maddcmd(DataBank* bank, std::FILE* in);
// mmult <result> = <term1> <* ' & / < >> <term2> [yr]
int mmultcmd(DataBank* bank, std::FILE* in);
