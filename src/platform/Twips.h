#pragma once

#include <QtGlobal>

// Window and control sizes are kept in twips (1/1440 inch): 15 twips make one
// pixel at 96 dots per inch.
class Twips
{
public:
    static constexpr double PerInch = 1440.0;

    static int toPixels(double twips, double dpi = 96.0) { return qRound(twips * dpi / PerInch); }
    static int fromPixels(int pixels, double dpi = 96.0) { return qRound(pixels * PerInch / dpi); }
};
