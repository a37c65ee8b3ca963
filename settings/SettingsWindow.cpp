#include "settings/SettingsWindow.h"

#include "base/MessageBoxes.h"
#include "base/Named.h"
#include "base/Numbers.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "base/ChooseOpenFile.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

SettingsWindow::SettingsWindow(QWidget* owner, SettingsStore& store) : QDialog(owner), store_(store) {
    setObjectName(QStringLiteral("SettingsWindow"));
    setWindowTitle(QStringLiteral(" Settings"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);

    workgroupGroup = named(new QGroupBox(QStringLiteral(" Access Workgroup Setting "), this), "workgroupGroup");
    auto* g1 = new QGridLayout(workgroupGroup);
    workgroupLabel = named(new QLabel(QStringLiteral("Access Workgroup File Path:"), workgroupGroup), "workgroupLabel");
    workgroupEdit = named(new QLineEdit(workgroupGroup), "workgroupEdit");
    workgroupEdit->setReadOnly(true);  // changed only through its button
    chooseWorkgroupButton = named(new QPushButton(QStringLiteral("Select &Workgroup"), workgroupGroup), "chooseWorkgroupButton");
    workgroupHint = named(new QLabel(QStringLiteral("Workgroup file is usually located in \"c:\\Windows\\System32\\System.mdw\""), workgroupGroup), "workgroupHint");
    g1->addWidget(workgroupLabel, 0, 0, 1, 2);
    g1->addWidget(workgroupEdit, 1, 0);
    g1->addWidget(chooseWorkgroupButton, 1, 1);
    g1->addWidget(workgroupHint, 2, 0, 1, 2);

    monitoringGroup = named(new QGroupBox(QStringLiteral(" Auto Monitoring Settings "), this), "monitoringGroup");
    auto* g2 = new QGridLayout(monitoringGroup);
    intervalLabel = named(new QLabel(QStringLiteral("Timer Speed (miliseconds - 5000 to 60000)"), monitoringGroup), "intervalLabel");
    intervalEdit = named(new QLineEdit(monitoringGroup), "intervalEdit");
    monitorAtStartCheck = named(new QCheckBox(QStringLiteral("Turn On/Off Auto Monitoring At Startup"), monitoringGroup), "monitorAtStartCheck");
    g2->addWidget(intervalLabel, 0, 0);
    g2->addWidget(intervalEdit, 0, 1);
    g2->addWidget(monitorAtStartCheck, 1, 0, 1, 2);

    doubleClickGroup = named(new QGroupBox(QStringLiteral(" Double-Click On LDB User Information Settings "), this), "doubleClickGroup");
    auto* g3 = new QVBoxLayout(doubleClickGroup);
    doubleClickChoice[0] = named(new QRadioButton(QStringLiteral("Go to selected Computer Name in 'User Name' database window"), doubleClickGroup), "doubleClickChoice(0)");
    doubleClickChoice[1] = named(new QRadioButton(QStringLiteral("Display Command Prompt (NBTSTAT) to get user name from network."), doubleClickGroup), "doubleClickChoice(1)");
    g3->addWidget(doubleClickChoice[0]);
    g3->addWidget(doubleClickChoice[1]);

    userDatabaseGroup = named(new QGroupBox(QStringLiteral(" User Name Database Setting "), this), "userDatabaseGroup");
    auto* g4 = new QGridLayout(userDatabaseGroup);
    userDatabaseLabel = named(new QLabel(QStringLiteral("Path to the file 'compnamedb.mdb'"), userDatabaseGroup), "userDatabaseLabel");
    userDatabaseEdit = named(new QLineEdit(userDatabaseGroup), "userDatabaseEdit");
    userDatabaseEdit->setReadOnly(true);  // changed only through its button
    chooseUserDatabaseButton = named(new QPushButton(QStringLiteral("Select &Database"), userDatabaseGroup), "chooseUserDatabaseButton");
    userDatabaseHint = named(new QLabel(QStringLiteral("The default location of the 'compnamedb.mdb' is in this programs root folder."), userDatabaseGroup), "userDatabaseHint");
    userDatabaseHint->setWordWrap(true);
    g4->addWidget(userDatabaseLabel, 0, 0, 1, 2);
    g4->addWidget(userDatabaseEdit, 1, 0);
    g4->addWidget(chooseUserDatabaseButton, 1, 1);
    g4->addWidget(userDatabaseHint, 2, 0, 1, 2);

    closeButton = named(new QPushButton(QStringLiteral("&Close"), this), "closeButton");
    closeButton->setAutoDefault(false);

    layout->addWidget(workgroupGroup);
    layout->addWidget(monitoringGroup);
    layout->addWidget(doubleClickGroup);
    layout->addWidget(userDatabaseGroup);
    layout->addWidget(closeButton, 0, Qt::AlignRight);
    setFixedSize(twipsToPixelsX(this, 7680), twipsToPixelsY(this, 6990));

    connect(chooseWorkgroupButton, &QPushButton::clicked, this, &SettingsWindow::chooseWorkgroup);
    connect(chooseUserDatabaseButton, &QPushButton::clicked, this, &SettingsWindow::chooseUserDatabase);
    connect(closeButton, &QPushButton::clicked, this, &SettingsWindow::closeSettings);

    enterProgramFolder();
    showValue(store_.value());
    connect(&store_, &SettingsStore::changed, this, &SettingsWindow::showValue);
    connect(workgroupEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { store_.update([&](Settings& s) { s.workgroupPath = text; }); });
    connect(intervalEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { store_.update([&](Settings& s) { s.intervalText = text; }); });
    connect(monitorAtStartCheck, &QCheckBox::toggled, this,
            [this](bool on) { store_.update([&](Settings& s) { s.monitorAtStart = on; }); });
    connect(doubleClickChoice[0], &QRadioButton::toggled, this,
            [this](bool on) { store_.update([&](Settings& s) { s.doubleClickGoesToComputer = on; }); });
    connect(userDatabaseEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { store_.update([&](Settings& s) { s.userDatabasePath = text; }); });
}

void SettingsWindow::showValue(const Settings& value) {
    const QSignalBlocker blockers[] = {QSignalBlocker(workgroupEdit), QSignalBlocker(intervalEdit),
                                       QSignalBlocker(monitorAtStartCheck), QSignalBlocker(doubleClickChoice[0]),
                                       QSignalBlocker(doubleClickChoice[1]), QSignalBlocker(userDatabaseEdit)};
    if (workgroupEdit->text() != value.workgroupPath)
        workgroupEdit->setText(value.workgroupPath);
    if (intervalEdit->text() != value.intervalText)
        intervalEdit->setText(value.intervalText);
    monitorAtStartCheck->setChecked(value.monitorAtStart);
    doubleClickChoice[value.doubleClickGoesToComputer ? 0 : 1]->setChecked(true);
    if (userDatabaseEdit->text() != value.userDatabasePath)
        userDatabaseEdit->setText(value.userDatabasePath);
}

void SettingsWindow::showModal() {
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    exec();
}

void SettingsWindow::unload() {
    unloading_ = true;
    close();
}

void SettingsWindow::chooseWorkgroup() {
    const QString chosen = chooseOpenFile(
        this, QStringLiteral("Access Workgroup Files (*.mdw;*.mda)|*.mdw;*.mda"),
        QStringLiteral("Choose Workgroup File"), QString());
    if (!chosen.isEmpty())
        workgroupEdit->setText(chosen);
}

void SettingsWindow::chooseUserDatabase() {
    const QString oldPath = userDatabaseEdit->text();
    const QString chosen = chooseOpenFile(
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
    userDatabaseEdit->setText(chosen);
    emit userDatabaseChosen();
}

void SettingsWindow::closeSettings() {
    const auto value = parseNumber(intervalEdit->text());
    if (!value || *value < 5000 || *value > 60000) {
        msgBox(this, QStringLiteral("You must enter in a valid number from 5000 to 60000 (5 Sec to 1 Minute)"),
               MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Invalid Number"));
        return;
    }
    emit monitorIntervalChosen(static_cast<int>(roundToWhole(*value)), intervalEdit->text());
    hide();
}

// The title bar's close box and Escape behave as "&Close": the settings stay,
// and an interval that is not valid can't leave the window.
void SettingsWindow::closeEvent(QCloseEvent* event) {
    if (unloading_) {
        event->accept();
        return;
    }
    event->ignore();
    closeSettings();
}

void SettingsWindow::reject() {
    if (unloading_) {
        QDialog::reject();
        return;
    }
    closeSettings();
}
