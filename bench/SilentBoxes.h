#pragma once
// For the headless benchmarks: message boxes that are never shown, their
// text written to stderr instead and answered with OK.
#include "base/MessageBoxes.h"

#include <cstdio>

class SilentBoxes : public MessageBoxes {
public:
    int shown = 0;
    MsgAnswer show(QWidget*, const MessageBoxRequest& r) override {
        ++shown;
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return MsgAnswer::Ok;
    }
};
