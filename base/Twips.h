#pragma once
// Window and column geometry is given in twips, 1440 to the inch; the screen's
// logical DPI turns it into pixels.
class QWidget;

int twipsToPixelsX(const QWidget* w, double twips);
int twipsToPixelsY(const QWidget* w, double twips);
double pixelsToTwipsX(const QWidget* w, int pixels);
double pixelsToTwipsY(const QWidget* w, int pixels);
