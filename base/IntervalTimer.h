#pragma once
// A timer with an enabled flag and an interval of 0 to 65535 ms, as the
// windows use them. It ticks only while enabled with an interval above
// zero: an interval of 0 keeps it quiet rather than firing continuously.
// Setting the interval or enabling it starts a fresh interval.
#include <QObject>
#include <QTimer>

class IntervalTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxInterval = 65535;

    explicit IntervalTimer(QObject* parent = nullptr, int interval = 0, bool enabled = false);

    bool enabled() const { return enabled_; }
    void setEnabled(bool on);
    int interval() const { return interval_; }
    // Returns false (and changes nothing) for a value outside 0 to 65535.
    bool setInterval(int ms);
    // True while a tick is due: enabled with an interval above zero.
    bool isRunning() const { return timer_.isActive(); }
    int remainingTime() const { return timer_.remainingTime(); }

signals:
    void Timer();

private:
    void restart();

    QTimer timer_;
    int interval_;
    bool enabled_;
};
