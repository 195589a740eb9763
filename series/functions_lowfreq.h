// Conversion to lower frequencies: r consecutive observations make one low-frequency
// period, packed at the start of the array.
#pragma once

// The missing band of the conversions: strictly between -0.000011 and -0.0000009.
inline bool convmissing(float v) { return v > -0.000011f && v < -0.0000009f; }

// Converts x in place. method 'y' end of period, 'n' average, 's' sum; extreme "max" or
// "min" (method 'n') takes the largest or smallest valid value; null or anything else none.
// Trailing exact zeros end the data; an incomplete last period and the observations up to
// the end of the data get the fill value; the trailing zeros stay.
void convertkernel(float* x, int n, int ratio, char method, const char* extreme, float fill);
