// Fisher chain indexes of an aggregate: from pairs of quantity and price series (@pchain,
// @qchain) and from pairs of nominal-value and quantity series (@pchwt, @qchwt).
#pragma once

#include <vector>

// Chain form over w periods. q[k] and p[k] are the quantity and price values of pair k
// (w values each, missing already taken as 0); u is the base period (0..w-1). On success
// (0) quantity holds the chained quantity index scaled to the sum of the quantities at u
// and price the chained price index, 1 at u. -1 after the message when the price or the
// quantity index is zero at the base.
int chainkernel(const std::vector<std::vector<float>>& q, const std::vector<std::vector<float>>& p, int w, int u,
                std::vector<float>& quantity, std::vector<float>& price);

// Nominal form over W periods: v[k] and q[k] the nominal values and quantities of pair k
// (W values each, no missing values left); u the base period; zero the z option (restart
// the chain at breaks instead of failing); firstDate the date number of period 0 and
// frequency its frequency (for messages). On success (0) Q holds the chained quantity index
// (MISSING where it breaks) scaled to equal N at the base and N the nominal total. -1 after
// the messages.
int chwtkernel(const std::vector<std::vector<float>>& v, const std::vector<std::vector<float>>& q, int W, int u,
               bool zero, float firstDate, std::vector<double>& Q, std::vector<double>& N);
