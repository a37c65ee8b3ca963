#pragma once
// Frees a large container on a worker thread: freeing the strings of a
// hundred thousand records takes tens of milliseconds, during which the
// window would not answer. The container must share nothing that this
// thread still changes (strings it shares are only released, which is safe).
#include <QThreadPool>

#include <utility>

template <typename T>
void releaseInBackground(T&& old) {
    QThreadPool::globalInstance()->start([gone = std::forward<T>(old)]() mutable { gone = {}; });
}
