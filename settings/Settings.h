#pragma once
// The program's settings as one value: what settings.set holds and the
// settings window edits. SettingsStore owns the one the program runs with.
#include <QObject>
#include <QString>

#include <array>

struct Settings {
    static QString defaultWorkgroupPath() { return QStringLiteral("C:\\Windows\\System32\\System.mdw"); }
    // The longest auto-monitoring interval the timer takes, in ms.
    static constexpr int kMaxMonitorInterval = 65535;

    // The main window's placement in twips: left, top, width, height, then
    // the heights of the user panel and of the database path panel.
    std::array<double, 6> placement{};
    QString workgroupPath = defaultWorkgroupPath();
    QString userName;
    QString password;
    // True when users are read from the lock file, false from the roster.
    bool readsLockFile = false;
    // The auto-monitoring interval as the user typed it (or the file held it).
    QString intervalText = QStringLiteral("60000");
    bool monitorAtStart = false;
    // True when a double-click on a user goes to its computer's record, false
    // when it shows the NBTSTAT prompt.
    bool doubleClickGoesToComputer = true;
    QString userDatabasePath;

    bool operator==(const Settings&) const = default;
};

// Holds the settings value; every change of it is signalled once.
class SettingsStore : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    const Settings& value() const { return value_; }
    void setValue(const Settings& value) {
        if (value == value_)
            return;
        value_ = value;
        emit changed(value_);
    }
    // Changes the value by `change`, as one edit.
    template <typename Change>
    void update(Change change) {
        Settings value = value_;
        change(value);
        setValue(value);
    }

signals:
    void changed(const Settings& value);

private:
    Settings value_;
};
