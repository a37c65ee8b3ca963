#pragma once
// The About box: product name, version and build, and the files this build
// needs. Shown modally; each showing is a fresh window.
#include <QDialog>

#include <array>

class QFrame;
class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* owner);

    // Loads a fresh About box over `owner` and shows it modally until OK.
    static void showModal(QWidget* owner);

    QLabel* Picture1;
    std::array<QLabel*, 2> Label1;
    QLabel* lblVersion;
    QFrame* Line1;
    QLabel* Label7;
    QLabel* Label6;
    QPushButton* Command1;

public slots:
    void Command1_Click();
};
