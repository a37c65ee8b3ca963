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
class QRadioButton;
class frmMain;

class frmPrint : public QDialog {
    Q_OBJECT
public:
    explicit frmPrint(frmMain* main);

    // Loads a fresh window over `main` and shows it modally until closed.
    static void showModal(frmMain* main);
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
    frmMain* main_;
};
