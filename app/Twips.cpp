#include "app/Twips.h"

#include <QWidget>

#include <cmath>

namespace {
constexpr double kTwipsPerInch = 1440.0;
}

int twipsToPixelsX(const QWidget* w, double twips) {
    return static_cast<int>(std::lround(twips * w->logicalDpiX() / kTwipsPerInch));
}

int twipsToPixelsY(const QWidget* w, double twips) {
    return static_cast<int>(std::lround(twips * w->logicalDpiY() / kTwipsPerInch));
}

double pixelsToTwipsX(const QWidget* w, int pixels) { return pixels * kTwipsPerInch / w->logicalDpiX(); }

double pixelsToTwipsY(const QWidget* w, int pixels) { return pixels * kTwipsPerInch / w->logicalDpiY(); }
