#include "report/ReportWindow.h"

#include "base/MessageBoxes.h"
#include "base/Named.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "report/PrintExport.h"
#include "shell/TextEditor.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

ReportWindow::ReportWindow(QWidget* owner, Source source)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      source_(std::move(source)) {
    setObjectName(QStringLiteral("ReportWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral(" Print - Export Options"));
    setModal(true);

    choiceGroup = named(new QGroupBox(QStringLiteral(" Choose What To Print "), this), "choiceGroup");
    choice[0] = named(new QRadioButton(QStringLiteral("Logged-In LDB User Information"), choiceGroup), "choice(0)");
    choice[1] = named(new QRadioButton(QStringLiteral("Database File Paths"), choiceGroup), "choice(1)");
    choice[0]->setChecked(true);
    auto* options = new QVBoxLayout(choiceGroup);
    options->addWidget(choice[0]);
    options->addWidget(choice[1]);

    pictureFrame = named(new QFrame(this), "pictureFrame");
    pictureFrame->setFrameShape(QFrame::Panel);
    pictureFrame->setFrameShadow(QFrame::Sunken);
    pictureLabel = named(new QLabel(pictureFrame), "pictureLabel");
    pictureLabel->setPixmap(owner->windowIcon().pixmap(48, 48));
    auto* picture = new QVBoxLayout(pictureFrame);
    picture->addWidget(pictureLabel, 0, Qt::AlignCenter);

    previewHint = named(new QLabel(QStringLiteral("Print Preview uses Notepad where you can print or export (save as...) "
                                             "data. Your default printer settings is used."),
                              this),
                   "previewHint");
    previewHint->setWordWrap(true);
    previewButton = named(new QPushButton(QStringLiteral("Show Print Preview"), this), "previewButton");
    closeButton = named(new QPushButton(QStringLiteral("&Close"), this), "closeButton");
    previewButton->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(pictureFrame);
    top->addWidget(choiceGroup, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(previewButton);
    buttons->addWidget(closeButton);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(previewHint);
    column->addLayout(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(previewButton, &QPushButton::clicked, this, &ReportWindow::showPreview);
    connect(closeButton, &QPushButton::clicked, this, &ReportWindow::closeReport);
}

void ReportWindow::showModal(QWidget* owner, const Source& source) {
    auto* window = new ReportWindow(owner, source);
    window->adjustSize();
    if (const QScreen* s = window->screen())
        window->move(s->availableGeometry().center() - window->rect().center());
    window->exec();
}

QString ReportWindow::reportPath() { return programFile(QStringLiteral("tmpprintexport.prn")); }

// The report is written beside its final name and renamed over it, as the
// settings files are: a link in its place is replaced, never followed. Only
// a report written whole is opened.
void ReportWindow::showPreview() {
    const QString path = reportPath();
    const QDate today = QDate::currentDate();
    const bool users = choice[0]->isChecked();
    const std::optional<QStringList> lines =
        users ? report::usersReport(*source_.users, source_.databasePath, source_.rosterMode, today)
              : report::pathsReport(source_.paths, today);
    if (!lines) {
        (void)failureReplacingWith(path, {});  // no older report stays behind
        if (users)
            msgBox(this,
                   QStringLiteral("There is no LDB User data to Print-Export.\rYou must select a database that lists "
                                  "users that will allow you to use this function."),
                   MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("No Data To Print-Export"));
        else
            msgBox(this,
                   QStringLiteral("There is no Database file paths to Print-Export.\rYou must add a database to use "
                                  "this function."),
                   MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("No Database To Print-Export"));
        return;
    }
    if (const auto failure = failureReplacingWith(path, *lines)) {
        msgBox(this, QStringLiteral("The report could not be written to '%1'.").arg(path) + QChar('\r') + *failure,
               MsgIcon::Critical);
        return;
    }
    openInTextEditor(path);
}

void ReportWindow::closeReport() { close(); }

bool ReportWindow::databasePathsChosen() const { return choice[1]->isChecked(); }

void ReportWindow::chooseDatabasePaths(bool paths) { choice[paths ? 1 : 0]->setChecked(true); }
