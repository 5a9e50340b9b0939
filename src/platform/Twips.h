#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cmath>

// Window and control sizes are kept in twips (1/1440 inch): 15 twips make one
// pixel at 96 dots per inch.
class Twips
{
public:
    static constexpr double PerInch = 1440.0;
    // Far beyond any screen, far within int: conversions of absurd values
    // (a hand-edited setting) stop here instead of overflowing.
    static constexpr double Limit = double(1 << 24);

    static int toPixels(double twips, double dpi = 96.0) { return bounded(twips * dpi / PerInch); }
    static int fromPixels(int pixels, double dpi = 96.0) { return bounded(pixels * PerInch / dpi); }

private:
    static int bounded(double value)
    {
        if (std::isnan(value))
            return 0;
        return qRound(std::clamp(value, -Limit, Limit));
    }
};
