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

class frmSettings : public QDialog {
    Q_OBJECT
public:
    // Loads the window (hidden) over `owner`; its load makes the program's
    // folder the current directory and sets the default user name database path.
    explicit frmSettings(QWidget* owner);

    static QString defaultWorkgroup() { return QStringLiteral("C:\\Windows\\System32\\System.mdw"); }

    QGroupBox* Frame1;
    QLabel* Label1;
    QLineEdit* txtWorkgroup;
    QPushButton* cmdSelectWorkGroup;
    QLabel* Label2;
    QGroupBox* Frame2;
    QLabel* Label3;
    QLineEdit* txtTSpeed;
    QCheckBox* chkAutoMon;
    QGroupBox* Frame3;
    std::array<QRadioButton*, 2> optDBClk;
    QGroupBox* Frame4;
    QLabel* Label4;
    QLineEdit* txtDB;
    QPushButton* Command1;
    QLabel* Label5;
    QPushButton* btnClose;

    // Shows the window modally over the main window.
    void showModal();
    // Unloads the window at shut-down, without validating anything.
    void unload();

signals:
    // "&Close" accepted the monitoring interval `ms`, typed as `text`.
    void monitorIntervalChosen(int ms, const QString& text);
    // txtDB names another user name database: it is to be connected.
    void userDatabaseChosen();

public slots:
    void cmdSelectWorkGroup_Click();
    void Command1_Click();
    void btnClose_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Form_Load();

    bool unloading_ = false;
};
