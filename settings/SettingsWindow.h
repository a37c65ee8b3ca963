#pragma once
// The settings window. It shows the store's settings and writes each edit
// back to the store, where the other windows read them. It is loaded hidden
// with the main window and stays loaded until the main window ends.
#include "settings/Settings.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class SettingsWindow : public QDialog {
    Q_OBJECT
public:
    // Loads the window (hidden) over `owner`, editing the settings `store`
    // holds; its load makes the program's folder the current directory.
    SettingsWindow(QWidget* owner, SettingsStore& store);

    static QString defaultWorkgroup() { return Settings::defaultWorkgroupPath(); }

    // Shows the window modally over the main window.
    void showModal();
    // Unloads the window at shut-down, without validating anything.
    void unload();

signals:
    // "&Close" accepted the monitoring interval `ms`, typed as `text`.
    void monitorIntervalChosen(int ms, const QString& text);
    // userDatabaseEdit names another user name database: it is to be connected.
    void userDatabaseChosen();

public slots:
    void chooseWorkgroup();
    void chooseUserDatabase();
    void closeSettings();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QGroupBox* workgroupGroup;
    QLabel* workgroupLabel;
    QLineEdit* workgroupEdit;
    QPushButton* chooseWorkgroupButton;
    QLabel* workgroupHint;
    QGroupBox* monitoringGroup;
    QLabel* intervalLabel;
    QLineEdit* intervalEdit;
    QCheckBox* monitorAtStartCheck;
    QGroupBox* doubleClickGroup;
    std::array<QRadioButton*, 2> doubleClickChoice;
    QGroupBox* userDatabaseGroup;
    QLabel* userDatabaseLabel;
    QLineEdit* userDatabaseEdit;
    QPushButton* chooseUserDatabaseButton;
    QLabel* userDatabaseHint;
    QPushButton* closeButton;

    // Shows `value` in the controls.
    void showValue(const Settings& value);

    SettingsStore& store_;

    bool unloading_ = false;
};
