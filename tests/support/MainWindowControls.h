#pragma once
// The main window's controls as a test reaches them: by their object names,
// as a user finds them on the screen. The window keeps its widgets private.
#include "app/MainWindow.h"
#include "base/UserListModel.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <array>
#include <stdexcept>

// The control of `window` named `name`; a missing one fails the test.
template <typename T>
T* findControl(const QObject* window, const QString& name) {
    T* found = window->findChild<T*>(name);
    if (!found)
        throw std::logic_error("no control " + name.toStdString());
    return found;
}

struct MainWindowControls {
    explicit MainWindowControls(MainWindow& w) : window(w) {}

    MainWindow& window;

    template <typename T>
    T* find(const QString& name) const {
        return findControl<T>(&window, name);
    }

    QListView* const databaseList = find<QListView>(QStringLiteral("databaseList"));
    QTreeView* const userList = find<QTreeView>(QStringLiteral("userList"));
    QWidget* const userPanel = find<QWidget>(QStringLiteral("userPanel"));
    QWidget* const databasePanel = find<QWidget>(QStringLiteral("databasePanel"));
    QScrollArea* const optionsArea = find<QScrollArea>(QStringLiteral("optionsArea"));
    QWidget* const optionsPanel = find<QWidget>(QStringLiteral("optionsPanel"));
    QCheckBox* const autoMonitorCheck = find<QCheckBox>(QStringLiteral("autoMonitorCheck"));
    QPushButton* const displayUsersButton = find<QPushButton>(QStringLiteral("displayUsersButton"));
    const std::array<QRadioButton*, 2> readModeChoice{find<QRadioButton>(QStringLiteral("readModeChoice(0)")),
                                                      find<QRadioButton>(QStringLiteral("readModeChoice(1)"))};
    QGroupBox* const lockFileGroup = find<QGroupBox>(QStringLiteral("lockFileGroup"));
    const std::array<QRadioButton*, 3> lockFileChoice{find<QRadioButton>(QStringLiteral("lockFileChoice(0)")),
                                                      find<QRadioButton>(QStringLiteral("lockFileChoice(1)")),
                                                      find<QRadioButton>(QStringLiteral("lockFileChoice(2)"))};
    QCheckBox* const allPossibleCheck = find<QCheckBox>(QStringLiteral("allPossibleCheck"));
    QLineEdit* const userNameEdit = find<QLineEdit>(QStringLiteral("userNameEdit"));
    QLineEdit* const passwordEdit = find<QLineEdit>(QStringLiteral("passwordEdit"));
    QTimer* const refreshTimer = find<QTimer>(QStringLiteral("refreshTimer"));
    QStatusBar* const statusLine = find<QStatusBar>(QStringLiteral("statusLine"));
    QLabel* const databasePathLabel = find<QLabel>(QStringLiteral("databasePathLabel"));
    QToolButton* const printButton = find<QToolButton>(QStringLiteral("printButton"));
    QToolButton* const nbtstatButton = find<QToolButton>(QStringLiteral("nbtstatButton"));
    QToolButton* const helpButton = find<QToolButton>(QStringLiteral("helpButton"));
    QMenu* const helpMenu = find<QMenu>(QStringLiteral("helpMenu"));
    QAction* const addDatabaseAction = find<QAction>(QStringLiteral("addDatabaseAction"));
    QAction* const deleteDatabaseAction = find<QAction>(QStringLiteral("deleteDatabaseAction"));
    QAction* const printAction = find<QAction>(QStringLiteral("printAction"));
    QAction* const settingsAction = find<QAction>(QStringLiteral("settingsAction"));
    QAction* const displayUsersAction = find<QAction>(QStringLiteral("displayUsersAction"));
    QAction* const nbtstatAction = find<QAction>(QStringLiteral("nbtstatAction"));
    QAction* const helpAction = find<QAction>(QStringLiteral("helpAction"));
    QAction* const webSiteAction = find<QAction>(QStringLiteral("webSiteAction"));
    QAction* const aboutAction = find<QAction>(QStringLiteral("aboutAction"));
};
