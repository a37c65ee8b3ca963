#pragma once
// Gives a widget its object name (what it is: "databaseList", "saveButton")
// and returns the widget, for use where it is created.
#include <QString>

template <typename W>
W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

template <typename W>
W* named(W* w, const char* name) {
    return named(w, QString::fromLatin1(name));
}
