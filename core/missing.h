// The missing-value code of series data, the numeric limits used by guarded exponentials,
// logarithms and powers, and the system's one exception type.
#pragma once

// A missing observation: the single-precision value -0.000001 (bits 0xb58637bd).
constexpr float MISSING = -0.000001f;

// True when x lies in [-0.0000011, -0.0000009] (compared in double); false for a NaN.
// Inline: the kernels test every observation with it.
inline bool ismissing(float x) {
    const double d = x;
    return d >= -0.0000011 && d <= -0.0000009;
}

// Square root that gives MISSING for a missing or negative argument.
double safesqrt(double x);

// Numeric limits, fixed before any other code runs.
extern const float floatLogMax;
extern const float floatLogMin;
extern const float floatMax;
extern const float floatExpMin;
extern const float floatExpMax;
extern const float floatLogOfMax;
extern const float floatEpsilon;
extern const double doubleLogMax;
extern const double doubleLogMin;
extern const double doubleMax;
extern const double doubleExpMin;
extern const double doubleExpMax;
extern const double doubleLogOfMax;
extern const double doubleEpsilon;

// The system's exception: "Error:  type <message>.\n" in a 500-character buffer.
class Jex7Errors {
public:
    static constexpr int bufferSize = 500;
    explicit Jex7Errors(const char* message);
    Jex7Errors(const Jex7Errors& other);
    Jex7Errors& operator=(const Jex7Errors& other);
    const char* text() const { return buffer_; }

private:
    char buffer_[bufferSize];
};
