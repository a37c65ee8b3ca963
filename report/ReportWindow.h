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
class UserListModel;

class ReportWindow : public QDialog {
    Q_OBJECT
public:
    // What the reports are made of: the main window's user list and database
    // path list, its selected database path and read mode. The lists are
    // read when a report is written.
    struct Source {
        const UserListModel* users = nullptr;
        QStringList paths;
        QString databasePath;
        bool rosterMode = false;
    };

    ReportWindow(QWidget* owner, Source source);

    // Loads a fresh window over `owner` and shows it modally until closed.
    static void showModal(QWidget* owner, const Source& source);
    static QString reportPath();

    // Which report "Show Print Preview" writes: the database paths or the users.
    bool databasePathsChosen() const;
    void chooseDatabasePaths(bool paths);

public slots:
    void showPreview();
    void closeReport();

private:
    QGroupBox* choiceGroup;
    std::array<QRadioButton*, 2> choice;
    QLabel* previewHint;
    QFrame* pictureFrame;
    QLabel* pictureLabel;
    QPushButton* previewButton;
    QPushButton* closeButton;
    Source source_;
};
