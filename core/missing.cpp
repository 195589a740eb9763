#include "core/missing.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

double safesqrt(double x) {
    if ((x >= -0.0000011 && x <= -0.0000009) || x < 0) return static_cast<double>(MISSING);
    return std::sqrt(x);
}

// Constant initialisation in the order the limits depend on each other.
const float floatLogMax = static_cast<float>(38.0 * std::log(10.0));
const float floatLogMin = static_cast<float>(-37.0 * std::log(10.0));
const float floatMax = FLT_MAX;
const float floatExpMin = std::exp(static_cast<float>(-37.0 * std::log(10.0)) + 1.0f);
const float floatExpMax = std::exp(static_cast<float>(38.0 * std::log(10.0)));
const float floatLogOfMax = std::log(FLT_MAX);
const float floatEpsilon = FLT_EPSILON;
const double doubleLogMax = 308.0 * std::log(10.0);
const double doubleLogMin = -307.0 * std::log(10.0);
const double doubleMax = DBL_MAX;
const double doubleExpMin = std::exp(-307.0 * std::log(10.0) + 1.0);
const double doubleExpMax = std::exp(308.0 * std::log(10.0));
const double doubleLogOfMax = std::log(DBL_MAX);
const double doubleEpsilon = DBL_EPSILON;

Jex7Errors::Jex7Errors(const char* message) {
    std::snprintf(buffer_, sizeof buffer_, "Error:  type %s.\n", message ? message : "");
}

Jex7Errors::Jex7Errors(const Jex7Errors& other) { std::memcpy(buffer_, other.buffer_, sizeof buffer_); }

Jex7Errors& Jex7Errors::operator=(const Jex7Errors& other) {
    std::memcpy(buffer_, other.buffer_, sizeof buffer_);
    return *this;
}
