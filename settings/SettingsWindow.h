#pragma once
// The settings window. Its controls are the live store of the settings it
// edits: the other windows read them directly. It is loaded hidden with the
// main window and stays loaded until the main window ends.
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
    // Loads the window (hidden) over `owner`; its load makes the program's
    // folder the current directory and sets the default user name database path.
    explicit SettingsWindow(QWidget* owner);

    static QString defaultWorkgroup() { return QStringLiteral("C:\\Windows\\System32\\System.mdw"); }

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

    // The settings as the window holds them, for the other windows to read.
    QString workgroupPath() const;
    QString userDatabasePath() const;
    // True when a double-click on a user goes to its computer's record, false
    // when it shows the NBTSTAT prompt.
    bool doubleClickGoesToComputer() const;

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
    void loadDefaults();

    bool unloading_ = false;
};
