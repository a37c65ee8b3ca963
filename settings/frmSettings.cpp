#include "settings/frmSettings.h"

#include "app/MessageBoxes.h"
#include "app/Named.h"
#include "app/Numbers.h"
#include "app/ProgramFolder.h"
#include "app/Twips.h"
#include "app/basCDL.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

frmSettings::frmSettings(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral(" Settings"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);

    Frame1 = named(new QGroupBox(QStringLiteral(" Access Workgroup Setting "), this), "Frame1");
    auto* g1 = new QGridLayout(Frame1);
    Label1 = named(new QLabel(QStringLiteral("Access Workgroup File Path:"), Frame1), "Label1");
    txtWorkgroup = named(new QLineEdit(defaultWorkgroup(), Frame1), "txtWorkgroup");
    txtWorkgroup->setReadOnly(true);  // changed only through its button
    cmdSelectWorkGroup = named(new QPushButton(QStringLiteral("Select &Workgroup"), Frame1), "cmdSelectWorkGroup");
    Label2 = named(new QLabel(QStringLiteral("Workgroup file is usually located in \"c:\\Windows\\System32\\System.mdw\""), Frame1), "Label2");
    g1->addWidget(Label1, 0, 0, 1, 2);
    g1->addWidget(txtWorkgroup, 1, 0);
    g1->addWidget(cmdSelectWorkGroup, 1, 1);
    g1->addWidget(Label2, 2, 0, 1, 2);

    Frame2 = named(new QGroupBox(QStringLiteral(" Auto Monitoring Settings "), this), "Frame2");
    auto* g2 = new QGridLayout(Frame2);
    Label3 = named(new QLabel(QStringLiteral("Timer Speed (miliseconds - 5000 to 60000)"), Frame2), "Label3");
    txtTSpeed = named(new QLineEdit(QStringLiteral("60000"), Frame2), "txtTSpeed");
    chkAutoMon = named(new QCheckBox(QStringLiteral("Turn On/Off Auto Monitoring At Startup"), Frame2), "chkAutoMon");
    g2->addWidget(Label3, 0, 0);
    g2->addWidget(txtTSpeed, 0, 1);
    g2->addWidget(chkAutoMon, 1, 0, 1, 2);

    Frame3 = named(new QGroupBox(QStringLiteral(" Double-Click On LDB User Information Settings "), this), "Frame3");
    auto* g3 = new QVBoxLayout(Frame3);
    optDBClk[0] = named(new QRadioButton(QStringLiteral("Go to selected Computer Name in 'User Name' database window"), Frame3), "optDBClk(0)");
    optDBClk[1] = named(new QRadioButton(QStringLiteral("Display Command Prompt (NBTSTAT) to get user name from network."), Frame3), "optDBClk(1)");
    optDBClk[0]->setChecked(true);
    g3->addWidget(optDBClk[0]);
    g3->addWidget(optDBClk[1]);

    Frame4 = named(new QGroupBox(QStringLiteral(" User Name Database Setting "), this), "Frame4");
    auto* g4 = new QGridLayout(Frame4);
    Label4 = named(new QLabel(QStringLiteral("Path to the file 'compnamedb.mdb'"), Frame4), "Label4");
    txtDB = named(new QLineEdit(Frame4), "txtDB");
    txtDB->setReadOnly(true);  // changed only through its button
    Command1 = named(new QPushButton(QStringLiteral("Select &Database"), Frame4), "Command1");
    Label5 = named(new QLabel(QStringLiteral("The default location of the 'compnamedb.mdb' is in this programs root folder."), Frame4), "Label5");
    Label5->setWordWrap(true);
    g4->addWidget(Label4, 0, 0, 1, 2);
    g4->addWidget(txtDB, 1, 0);
    g4->addWidget(Command1, 1, 1);
    g4->addWidget(Label5, 2, 0, 1, 2);

    btnClose = named(new QPushButton(QStringLiteral("&Close"), this), "btnClose");
    btnClose->setAutoDefault(false);

    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addWidget(Frame3);
    layout->addWidget(Frame4);
    layout->addWidget(btnClose, 0, Qt::AlignRight);
    setFixedSize(twipsToPixelsX(this, 7680), twipsToPixelsY(this, 6990));

    connect(cmdSelectWorkGroup, &QPushButton::clicked, this, &frmSettings::cmdSelectWorkGroup_Click);
    connect(Command1, &QPushButton::clicked, this, &frmSettings::Command1_Click);
    connect(btnClose, &QPushButton::clicked, this, &frmSettings::btnClose_Click);

    Form_Load();
}

void frmSettings::Form_Load() {
    enterProgramFolder();
    txtDB->setText(programFile(QStringLiteral("compnamedb.mdb")));
}

void frmSettings::showModal() {
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    exec();
}

void frmSettings::unload() {
    unloading_ = true;
    close();
}

void frmSettings::cmdSelectWorkGroup_Click() {
    const QString chosen = basCDL::ChooseOpenFile(
        this, QStringLiteral("Access Workgroup Files (*.mdw;*.mda)|*.mdw;*.mda"),
        QStringLiteral("Choose Workgroup File"), QString());
    if (!chosen.isEmpty())
        txtWorkgroup->setText(chosen);
}

void frmSettings::Command1_Click() {
    const QString oldPath = txtDB->text();
    const QString chosen = basCDL::ChooseOpenFile(
        this, QStringLiteral("Access Databases (*.mdb;*.mdb)|*.mdb;*.mdb"),
        QStringLiteral("Choose User Name Database File"), QString());
    if (chosen.isEmpty())
        return;
    if (!chosen.endsWith(QStringLiteral("/compnamedb.mdb"), Qt::CaseSensitive)) {
        msgBox(this,
               QStringLiteral("The file you selected does not seem to be the 'compnamedb.mdb' file.") +
                   QChar('\r') + QStringLiteral("Please select the correct User Name database file."),
               MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Invalid Database File"));
        return;
    }
    if (chosen == oldPath)
        return;
    const MsgAnswer answer = msgBox(
        this,
        QStringLiteral("Changing the current database path will require the User Name database to be refreshed based on new path.") +
            QChar('\r') + QStringLiteral("Are you sure you want to do this?"),
        MsgIcon::Question, MsgButtons::YesNo, QStringLiteral("Change Database Path?"));
    if (answer != MsgAnswer::Yes)
        return;
    txtDB->setText(chosen);
    emit userDatabaseChosen();
}

void frmSettings::btnClose_Click() {
    const auto value = parseNumber(txtTSpeed->text());
    if (!value || *value < 5000 || *value > 60000) {
        msgBox(this, QStringLiteral("You must enter in a valid number from 5000 to 60000 (5 Sec to 1 Minute)"),
               MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Invalid Number"));
        return;
    }
    emit monitorIntervalChosen(static_cast<int>(roundToWhole(*value)), txtTSpeed->text());
    hide();
}

// The title bar's close box and Escape behave as "&Close": the settings stay,
// and an interval that is not valid can't leave the window.
void frmSettings::closeEvent(QCloseEvent* event) {
    if (unloading_) {
        event->accept();
        return;
    }
    event->ignore();
    btnClose_Click();
}

void frmSettings::reject() {
    if (unloading_) {
        QDialog::reject();
        return;
    }
    btnClose_Click();
}
