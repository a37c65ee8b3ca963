#include "base/IntervalTimer.h"

IntervalTimer::IntervalTimer(QObject* parent, int interval, bool enabled)
    : QObject(parent), interval_(interval), enabled_(enabled) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &IntervalTimer::Timer);
    restart();
}

void IntervalTimer::setEnabled(bool on) {
    enabled_ = on;
    restart();
}

bool IntervalTimer::setInterval(int ms) {
    if (ms < 0 || ms > kMaxInterval)
        return false;
    interval_ = ms;
    restart();
    return true;
}

void IntervalTimer::restart() {
    timer_.stop();
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
}
