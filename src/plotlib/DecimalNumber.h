// Hand-rolled decimal number reader for plot-file parameters: fed one byte
// at a time (so a number may straddle two read chunks), no locale, no
// allocation. Digits beyond 18 significant ones only scale the value, so
// any run of digits gives a finite double; exponents are not part of the
// plot languages and are not read.
#pragma once

#include <cstdint>

struct DecimalNumber {
    uint64_t mantissa = 0;
    int exponent = 0;      // power of ten applied to the mantissa
    bool negative = false;
    bool active = false;   // a number has started (sign, point or digit)
    bool digits = false;   // at least one digit seen
    bool fraction = false; // after the decimal point

    void Start() { *this = DecimalNumber(); active = true; }

    void Digit(unsigned d)
    {
        digits = true;
        if (mantissa < 100000000000000000ull) {
            mantissa = mantissa * 10 + d;
            if (fraction)
                --exponent;
        } else if (!fraction) {
            ++exponent;
        }
    }

    double Value() const
    {
        static const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        double v = static_cast<double>(mantissa);
        int e = exponent;
        if (e > 0) {
            while (e > 22) { v *= 1e22; e -= 22; if (v > 1e300) { e = 0; break; } }
            v *= kPow10[e];
        } else if (e < 0) {
            e = -e;
            while (e > 22) { v /= 1e22; e -= 22; if (v == 0.0) { e = 0; break; } }
            v /= kPow10[e];
        }
        return negative ? -v : v;
    }
};
