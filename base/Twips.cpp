#include "base/Twips.h"

#include <QWidget>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
constexpr double kTwipsPerInch = 1440.0;
}

namespace {
// Rounds to whole pixels; a value beyond what an int holds is held at its end
// rather than cast over it.
int wholePixels(double pixels) {
    if (std::isnan(pixels))
        return 0;
    return static_cast<int>(std::clamp(std::round(pixels), double{INT_MIN}, double{INT_MAX}));
}
}  // namespace

int twipsToPixelsX(const QWidget* w, double twips) { return wholePixels(twips * w->logicalDpiX() / kTwipsPerInch); }

int twipsToPixelsY(const QWidget* w, double twips) { return wholePixels(twips * w->logicalDpiY() / kTwipsPerInch); }

double pixelsToTwipsX(const QWidget* w, int pixels) { return pixels * kTwipsPerInch / w->logicalDpiX(); }

double pixelsToTwipsY(const QWidget* w, int pixels) { return pixels * kTwipsPerInch / w->logicalDpiY(); }
