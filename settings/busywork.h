#pragma once
// Background work of a screen under its busy cover (see platform/background.h
// and widgets/busycover.h): the cover is shown until the answer has come back
// to the GUI thread.
#include "platform/background.h"
#include "widgets/busycover.h"

#include <QPointer>
#include <QWidget>
#include <functional>

template <typename T>
void busyWork(QWidget* screen, std::function<T()> work, std::function<void(T)> done)
{
    BusyCover::hold(screen);
    QPointer<QWidget> cover(screen);
    platform::runInBackground<T>(screen, std::move(work), [cover, done](T answer) {
        BusyCover::release(cover);
        if (done)
            done(answer);
    });
}
