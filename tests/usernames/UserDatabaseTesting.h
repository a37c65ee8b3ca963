#pragma once
// The user name database window as the program starts it, over a fresh
// program folder: helpers to wait for its loading procedure and to read its
// list and record boxes.
#include "jet/create/CreateDatabase.h"
#include "jet/store/Store.h"
#include "jet/write/TableWriter.h"
#include "settings/SettingsWindow.h"
#include "tests/support/MainWindowHarness.h"
#include "usernames/ComputerNameList.h"
#include "usernames/UserNameWindow.h"

#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

// A record of T_Main: ComputerName, Name, Contact, Email; nothing for Null.
using UserRecord = std::array<std::optional<std::string>, 4>;

// Writes a new user name database at `path` holding `records` in that order.
inline void makeUserDatabase(const QString& path, const std::vector<UserRecord>& records) {
    const std::string file = QFile::encodeName(path).toStdString();
    jet::createDatabase(file);
    if (records.empty())
        return;
    jet::runStore(file, [&](jet::PageStore& pages) {
        jet::TableWriter writer(pages, "T_Main");
        for (const UserRecord& r : records) {
            std::vector<jet::Value> values(writer.definition().columns.size());
            for (std::size_t i = 0; i < r.size(); ++i) {
                const jet::ColumnDef* c = writer.definition().findColumn(DataControl::kBoundFields[i]);
                if (r[i])
                    values.at(static_cast<std::size_t>(c - writer.definition().columns.data())) = jet::Value::text(*r[i]);
            }
            writer.insert(values);
        }
    });
}

class UserDatabaseHarness : public MainWindowHarness {
public:
    UserNameWindow* data() { return window->data(); }

    // Runs the event loop until the loading procedure has finished.
    bool waitLoaded() {
        return QTest::qWaitFor([&] { return !data()->loadPending(); }, 10000);
    }
    // Starts the program with the user name database at `path` and waits
    // for the list to be loaded.
    bool startWith(const QString& path) {
        if (!start())
            return false;
        window->settingsStore().update([&](Settings& s) { s.userDatabasePath = path; });
        return waitLoaded();
    }
    // Reconnects, as the settings window does after a new path, and waits.
    bool reconnect(const QString& path) {
        window->settingsStore().update([&](Settings& s) { s.userDatabasePath = path; });
        data()->connectTo(path);
        return waitLoaded();
    }

    QStringList listed() { return data()->listedNames().names(); }
    QStringList record() {
        const RecordTexts shown = data()->fieldTexts();
        return QStringList(shown.begin(), shown.end());
    }
    // Save, Refresh, Add, Delete: which are enabled.
    std::array<bool, 4> buttons() {
        UserNameWindow* d = data();
        return {d->enabled(UserNameWindow::Command::Save), d->enabled(UserNameWindow::Command::Refresh), d->enabled(UserNameWindow::Command::Add),
                d->enabled(UserNameWindow::Command::Delete)};
    }
};
