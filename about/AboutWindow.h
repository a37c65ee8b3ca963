#pragma once
// The About box: product name, version and build, and the files this build
// needs. Shown modally; each showing is a fresh window.
#include <QDialog>

#include <array>

class QFrame;
class QLabel;
class QPushButton;

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* owner);

    // Loads a fresh About box over `owner` and shows it modally until OK.
    static void showModal(QWidget* owner);

public slots:
    // OK: closes the box.
    void closeAbout();

private:
    QLabel* iconLabel;
    std::array<QLabel*, 2> titleLabels;
    QLabel* versionLabel;
    QFrame* separatorLine;
    QLabel* systemFilesHeading;
    QLabel* systemFilesLabel;
    QPushButton* okButton;
};
