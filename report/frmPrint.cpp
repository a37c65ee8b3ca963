#include "report/frmPrint.h"

#include "app/MessageBoxes.h"
#include "app/Named.h"
#include "app/ProgramFolder.h"
#include "app/TextFile.h"
#include "report/PrintExport.h"
#include "shell/TextEditor.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

frmPrint::frmPrint(QWidget* owner, Source source)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      source_(std::move(source)) {
    setObjectName(QStringLiteral("frmPrint"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral(" Print - Export Options"));
    setModal(true);

    Frame1 = named(new QGroupBox(QStringLiteral(" Choose What To Print "), this), "Frame1");
    Opt[0] = named(new QRadioButton(QStringLiteral("Logged-In LDB User Information"), Frame1), "Opt(0)");
    Opt[1] = named(new QRadioButton(QStringLiteral("Database File Paths"), Frame1), "Opt(1)");
    Opt[0]->setChecked(true);
    auto* options = new QVBoxLayout(Frame1);
    options->addWidget(Opt[0]);
    options->addWidget(Opt[1]);

    C1Elastic1 = named(new QFrame(this), "C1Elastic1");
    C1Elastic1->setFrameShape(QFrame::Panel);
    C1Elastic1->setFrameShadow(QFrame::Sunken);
    Image1 = named(new QLabel(C1Elastic1), "Image1");
    Image1->setPixmap(owner->windowIcon().pixmap(48, 48));
    auto* picture = new QVBoxLayout(C1Elastic1);
    picture->addWidget(Image1, 0, Qt::AlignCenter);

    Label1 = named(new QLabel(QStringLiteral("Print Preview uses Notepad where you can print or export (save as...) "
                                             "data. Your default printer settings is used."),
                              this),
                   "Label1");
    Label1->setWordWrap(true);
    Command1 = named(new QPushButton(QStringLiteral("Show Print Preview"), this), "Command1");
    Command2 = named(new QPushButton(QStringLiteral("&Close"), this), "Command2");
    Command1->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(C1Elastic1);
    top->addWidget(Frame1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(Label1);
    column->addLayout(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1, &QPushButton::clicked, this, &frmPrint::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmPrint::Command2_Click);
}

void frmPrint::showModal(QWidget* owner, const Source& source) {
    auto* window = new frmPrint(owner, source);
    window->adjustSize();
    if (const QScreen* s = window->screen())
        window->move(s->availableGeometry().center() - window->rect().center());
    window->exec();
}

QString frmPrint::reportPath() { return programFile(QStringLiteral("tmpprintexport.prn")); }

// The report is written beside its final name and renamed over it, as the
// settings files are: a link in its place is replaced, never followed. Only
// a report written whole is opened.
void frmPrint::Command1_Click() {
    const QString path = reportPath();
    const QDate today = QDate::currentDate();
    const bool users = Opt[0]->isChecked();
    const std::optional<QStringList> lines =
        users ? report::usersReport(*source_.users, source_.databasePath, source_.rosterMode, today)
              : report::pathsReport(*source_.paths, today);
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

void frmPrint::Command2_Click() { close(); }
