#pragma once
// The print-export window: writes the users report or the paths report to
// tmpprintexport.prn in the program's folder and opens it in the user's text
// editor. Shown modally; each showing is a fresh window with its defaults.
#include <QDialog>

#include <array>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QListWidget;
class QRadioButton;
class QTreeWidget;

class frmPrint : public QDialog {
    Q_OBJECT
public:
    // What the reports are made of: the main window's user list and database
    // path list, its selected database path and read mode. The lists are
    // read when a report is written.
    struct Source {
        const QTreeWidget* users = nullptr;
        const QListWidget* paths = nullptr;
        QString databasePath;
        bool rosterMode = false;
    };

    frmPrint(QWidget* owner, Source source);

    // Loads a fresh window over `owner` and shows it modally until closed.
    static void showModal(QWidget* owner, const Source& source);
    static QString reportPath();

    QGroupBox* Frame1;
    std::array<QRadioButton*, 2> Opt;
    QLabel* Label1;
    QFrame* C1Elastic1;
    QLabel* Image1;
    QPushButton* Command1;
    QPushButton* Command2;

public slots:
    void Command1_Click();
    void Command2_Click();

private:
    Source source_;
};
