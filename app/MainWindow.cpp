#include "app/MainWindow.h"

#include "app/ElidedLabel.h"
#include "app/MenuShortcutsFirst.h"
#include "base/DatabasePathModel.h"
#include "base/UserListModel.h"
#include "base/Named.h"
#include "base/Twips.h"
#include "settings/SettingsWindow.h"
#include "usernames/UserNameWindow.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The program's icon: a ravelin seen from above, an arrow-head bastion.
QIcon programIcon() {
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(70, 110, 160));
    p.setPen(QPen(QColor(30, 50, 80), 3));
    const QPointF shape[] = {{32, 4}, {60, 40}, {46, 60}, {18, 60}, {4, 40}};
    p.drawPolygon(shape, 5);
    return QIcon(pm);
}

QIcon toolIcon(const QWidget* w, const char* themeName, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(themeName), w->style()->standardIcon(fallback));
}

QLabel* headingBar(const QString& text, const QString& name, QWidget* parent) {
    auto* bar = named(new QLabel(text, parent), name);
    bar->setFrameShape(QFrame::Panel);
    bar->setFrameShadow(QFrame::Raised);
    QFont f = bar->font();
    f.setBold(true);
    bar->setFont(f);
    return bar;
}

}  // namespace

MainWindow::MainWindow()
    : settingsStore_(new SettingsStore(this)), databasePaths_(new DatabasePathModel(this)), users_(new UserListModel(this)) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Ravelin"));
    setWindowIcon(programIcon());

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    setCentralWidget(central);

    buildToolbar();
    buildPanels();
    buildMenus();
    row->addWidget(toolbarArea);
    row->addWidget(panels, 1);

    statusLine = named(new QStatusBar(this), QStringLiteral("statusLine"));
    databasePathLabel = named(new ElidedLabel(statusLine), QStringLiteral("databasePathLabel"));
    statusLine->addWidget(databasePathLabel, 1);
    setStatusBar(statusLine);
    // The starting size, 11010 x 7515 twips (1 twip = 1/1440 inch), is that
    // of the area below the menu bar.
    resize(twipsToPixelsX(this, 11010), twipsToPixelsY(this, 7515) + menuBar()->sizeHint().height());

    refreshTimer = named(new QTimer(this), QStringLiteral("refreshTimer"));
    refreshTimer->setTimerType(Qt::PreciseTimer);
    refreshTimer->setInterval(60000);
    connect(refreshTimer, &QTimer::timeout, this, &MainWindow::refreshTick);

    new MenuShortcutsFirst(this, menuBar());
}

MainWindow::~MainWindow() = default;

void MainWindow::buildToolbar() {
    toolbar = named(new QWidget, QStringLiteral("toolbar"));
    auto* stack = new QVBoxLayout(toolbar);
    stack->setContentsMargins(2, 2, 2, 2);
    stack->setSpacing(2);
    // Buttons take the toolbar's width, so that every caption shows whole.
    const QSize buttonSize(twipsToPixelsX(this, 1155) - 8, twipsToPixelsY(this, 855));
    auto button = [&](const char* name, const char* caption, const char* theme, QStyle::StandardPixmap fallback) {
        auto* b = named(new QToolButton(toolbar), QString::fromLatin1(name));
        b->setText(QString::fromUtf8(caption));
        b->setToolTip(QString::fromUtf8(caption).remove(QChar('&')));
        b->setIcon(toolIcon(this, theme, fallback));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setFixedSize(buttonSize);
        stack->addWidget(b, 0, Qt::AlignHCenter);
        return b;
    };
    addDatabaseButton = button("addDatabaseButton", "&Add DB", "list-add", QStyle::SP_FileDialogNewFolder);
    deleteDatabaseButton = button("deleteDatabaseButton", "&Delete DB", "list-remove", QStyle::SP_TrashIcon);
    printButton = button("printButton", "&Print", "document-print", QStyle::SP_FileDialogDetailedView);
    settingsButton = button("settingsButton", "Se&ttings", "preferences-system", QStyle::SP_FileDialogContentsView);
    userDatabaseButton = button("userDatabaseButton", "&User DB", "x-office-address-book", QStyle::SP_DriveHDIcon);
    nbtstatButton = button("nbtstatButton", "&NBTSTAT", "utilities-terminal", QStyle::SP_ComputerIcon);
    helpButton = button("helpButton", "&Help", "help-contents", QStyle::SP_DialogHelpButton);
    // Alt+H belongs to the "&Help" menu; two owners would leave it to neither.
    helpButton->setShortcut(QKeySequence());
    stack->addStretch(1);

    toolbarArea = named(new QScrollArea, QStringLiteral("toolbarArea"));
    toolbarArea->setWidget(toolbar);
    toolbarArea->setWidgetResizable(true);
    toolbarArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    toolbarArea->setFixedWidth(twipsToPixelsX(this, 1155));
}

void MainWindow::buildPanels() {
    panels = named(new QSplitter(Qt::Vertical), QStringLiteral("panels"));
    panels->setChildrenCollapsible(false);
    panels->addWidget(buildListPanel());
    panels->addWidget(buildUserPanel());
    buildOptions();
    panels->addWidget(optionsArea);
    // The two stored panels keep their heights; the options area takes what
    // the window gains or loses.
    panels->setStretchFactor(0, 0);
    panels->setStretchFactor(1, 0);
    panels->setStretchFactor(2, 1);
    panels->setSizes({twipsToPixelsY(this, 1410), twipsToPixelsY(this, 2070), twipsToPixelsY(this, 3000)});
}

QWidget* MainWindow::buildListPanel() {
    databasePanel = named(new QWidget, QStringLiteral("databasePanel"));
    auto* v = new QVBoxLayout(databasePanel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    databaseHeading = headingBar(QStringLiteral(" Access Databases"), QStringLiteral("databaseHeading"), databasePanel);
    databaseList = named(new QListView(databasePanel), QStringLiteral("databaseList"));
    databaseList->setModel(databasePaths_);
    databaseList->setSelectionMode(QAbstractItemView::SingleSelection);
    v->addWidget(databaseHeading);
    v->addWidget(databaseList, 1);
    connect(databaseList->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MainWindow::databaseSelected);
    connect(databaseList, &QListView::doubleClicked, this, &MainWindow::databaseDoubleClicked);
    return databasePanel;
}

QWidget* MainWindow::buildUserPanel() {
    userPanel = named(new QWidget, QStringLiteral("userPanel"));
    auto* v = new QVBoxLayout(userPanel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    userHeading = headingBar(QStringLiteral(" LDB User Information"), QStringLiteral("userHeading"), userPanel);
    userList = named(new QTreeView(userPanel), QStringLiteral("userList"));
    userList->setModel(users_);
    userList->setRootIsDecorated(false);
    userList->setUniformRowHeights(true);
    userList->setAllColumnsShowFocus(true);
    userList->setSelectionMode(QAbstractItemView::SingleSelection);
    userList->header()->setStretchLastSection(false);
    v->addWidget(userHeading);
    v->addWidget(userList, 1);
    userList->viewport()->installEventFilter(this);  // the double-click, on a row or not
    return userPanel;
}

void MainWindow::buildOptions() {
    optionsPanel = named(new QWidget, QStringLiteral("optionsPanel"));
    auto* grid = new QGridLayout(optionsPanel);

    autoMonitorCheck = named(new QCheckBox(QStringLiteral("Auto Monitoring (Every 60000 miliseconds)"), optionsPanel),
                           QStringLiteral("autoMonitorCheck"));
    displayUsersButton = named(new QPushButton(QStringLiteral("Display &Logged In Users"), optionsPanel),
                        QStringLiteral("displayUsersButton"));

    readModeGroup = named(new QGroupBox(QStringLiteral(" Read Mode: "), optionsPanel), QStringLiteral("readModeGroup"));
    auto* modeLayout = new QGridLayout(readModeGroup);
    readModeChoice[0] = named(new QRadioButton(QStringLiteral("ADO Roster Schema"), readModeGroup), QStringLiteral("readModeChoice(0)"));
    readModeChoice[1] = named(new QRadioButton(QStringLiteral("MSLDBUsr (msldbusr.dll required)"), readModeGroup),
                       QStringLiteral("readModeChoice(1)"));
    readModeChoice[0]->setChecked(true);
    QFont bold = readModeChoice[0]->font();
    bold.setBold(true);
    readModeChoice[0]->setFont(bold);

    credentialsGroup = named(new QGroupBox(readModeGroup), QStringLiteral("credentialsGroup"));
    auto* credentials = new QGridLayout(credentialsGroup);
    credentialLabels[0] = named(new QLabel(QStringLiteral("User Name:"), credentialsGroup), QStringLiteral("credentialLabels(0)"));
    credentialLabels[1] = named(new QLabel(QStringLiteral("Password:"), credentialsGroup), QStringLiteral("credentialLabels(1)"));
    userNameEdit = named(new QLineEdit(credentialsGroup), QStringLiteral("userNameEdit"));
    passwordEdit = named(new QLineEdit(credentialsGroup), QStringLiteral("passwordEdit"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    passwordEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
    credentials->addWidget(credentialLabels[0], 0, 0);
    credentials->addWidget(userNameEdit, 0, 1);
    credentials->addWidget(credentialLabels[1], 1, 0);
    credentials->addWidget(passwordEdit, 1, 1);

    lockFileGroup = named(new QGroupBox(readModeGroup), QStringLiteral("lockFileGroup"));
    auto* ldbLayout = new QVBoxLayout(lockFileGroup);
    const char* ldbCaptions[] = {"Show all users listed in the database", "Show all logged in users to the database",
                                 "Show users that left database in a suspect state"};
    auto* ldbGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        lockFileChoice[i] = named(new QRadioButton(QString::fromLatin1(ldbCaptions[i]), lockFileGroup),
                          QStringLiteral("lockFileChoice(%1)").arg(i));
        ldbGroup->addButton(lockFileChoice[i], i);
        ldbLayout->addWidget(lockFileChoice[i]);
    }
    lockFileChoice[1]->setChecked(true);
    allPossibleCheck = named(new QCheckBox(QStringLiteral("Display All Possible Users in Thin-Client"), lockFileGroup),
                           QStringLiteral("allPossibleCheck"));
    // Indented under the options it refines.
    auto* indented = new QHBoxLayout;
    indented->addSpacing(twipsToPixelsX(this, 300));
    indented->addWidget(allPossibleCheck, 1);
    ldbLayout->addLayout(indented);

    // The window starts in roster schema mode: the lock-file options are off.
    for (QRadioButton* o : lockFileChoice)
        o->setEnabled(false);
    allPossibleCheck->setEnabled(false);

    auto* modeGroup = new QButtonGroup(this);
    modeGroup->addButton(readModeChoice[0], 0);
    modeGroup->addButton(readModeChoice[1], 1);
    modeLayout->addWidget(readModeChoice[0], 0, 0);
    modeLayout->addWidget(credentialsGroup, 1, 0, Qt::AlignTop);
    modeLayout->addWidget(readModeChoice[1], 0, 1);
    modeLayout->addWidget(lockFileGroup, 1, 1);

    grid->addWidget(autoMonitorCheck, 0, 0);
    grid->addWidget(displayUsersButton, 0, 1, Qt::AlignRight);
    grid->addWidget(readModeGroup, 1, 0, 1, 2);
    grid->setRowStretch(2, 1);

    // Margins kept small, so that at the starting size everything fits
    // without a scroll bar.
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(4);

    optionsArea = named(new QScrollArea, QStringLiteral("optionsArea"));
    optionsArea->setFrameShape(QFrame::NoFrame);
    optionsArea->setWidget(optionsPanel);
    optionsArea->setWidgetResizable(true);

    connect(displayUsersButton, &QPushButton::clicked, this, &MainWindow::displayUsersClicked);
    connect(autoMonitorCheck, &QCheckBox::toggled, this, &MainWindow::applyAutoMonitoring);
    connect(modeGroup, &QButtonGroup::idClicked, this, &MainWindow::chooseReadMode);
    connect(ldbGroup, &QButtonGroup::idClicked, this, &MainWindow::chooseLockFileOption);
}

void MainWindow::buildMenus() {
    auto action = [](QMenu* menu, const char* name, const char* caption, const QKeySequence& key = {}) {
        auto* a = named(menu->addAction(QString::fromLatin1(caption)), QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) { return named(menu->addSeparator(), QString::fromLatin1(name)); };

    fileMenu = named(menuBar()->addMenu(QStringLiteral("&File")), QStringLiteral("fileMenu"));
    addDatabaseAction = action(fileMenu, "addDatabaseAction", "&Add Database Path", QKeySequence(Qt::CTRL | Qt::Key_A));
    deleteDatabaseAction = action(fileMenu, "deleteDatabaseAction", "&Delete Database Path");
    fileSeparator = separator(fileMenu, "fileSeparator");
    compactAction = action(fileMenu, "compactAction", "&Compact and Repair...");
    compactAction->setEnabled(false);
    printAction = action(fileMenu, "printAction", "&Print-Export To TXT", QKeySequence(Qt::CTRL | Qt::Key_P));
    exitSeparator = separator(fileMenu, "exitSeparator");
    exitAction = action(fileMenu, "exitAction", "&Exit", QKeySequence(Qt::CTRL | Qt::Key_F4));

    optionsMenu = named(menuBar()->addMenu(QStringLiteral("&Options")), QStringLiteral("optionsMenu"));
    userDatabaseAction = action(optionsMenu, "userDatabaseAction", "&User Database", QKeySequence(Qt::CTRL | Qt::Key_E));
    userDatabaseSeparator = separator(optionsMenu, "userDatabaseSeparator");
    settingsAction = action(optionsMenu, "settingsAction", "&Settings", QKeySequence(Qt::CTRL | Qt::Key_W));
    displaySeparator = separator(optionsMenu, "displaySeparator");
    displayUsersAction = action(optionsMenu, "displayUsersAction", "&Display Logged In Users", QKeySequence(Qt::Key_F5));
    nbtstatAction = action(optionsMenu, "nbtstatAction", "&Command Prompt (NBTSTAT)", QKeySequence(Qt::Key_F2));

    helpMenu = named(menuBar()->addMenu(QStringLiteral("&Help")), QStringLiteral("helpMenu"));
    helpAction = action(helpMenu, "helpAction", "&Help", QKeySequence(Qt::Key_F1));
    helpSeparator = separator(helpMenu, "helpSeparator");
    webSiteAction = action(helpMenu, "webSiteAction", "&Developers Web Site");
    aboutSeparator = separator(helpMenu, "aboutSeparator");
    aboutAction = action(helpMenu, "aboutAction", "&About Ravelin");

    connect(addDatabaseAction, &QAction::triggered, this, &MainWindow::addDatabasePath);
    connect(deleteDatabaseAction, &QAction::triggered, this, &MainWindow::deleteDatabasePath);
    connect(exitAction, &QAction::triggered, this, &MainWindow::exitProgram);
    connect(userDatabaseAction, &QAction::triggered, this, &MainWindow::showUserDatabase);
    connect(settingsAction, &QAction::triggered, this, &MainWindow::showSettings);
    connect(displayUsersAction, &QAction::triggered, this, &MainWindow::showUsers);
    connect(printAction, &QAction::triggered, this, &MainWindow::showReport);
    connect(compactAction, &QAction::triggered, this, &MainWindow::compactAndRepair);
    // Whether anyone uses the database is looked at when the menu opens, not at every refresh.
    connect(fileMenu, &QMenu::aboutToShow, this, &MainWindow::updateCompactAction);
    connect(nbtstatAction, &QAction::triggered, this, &MainWindow::showNbtstat);
    connect(helpAction, &QAction::triggered, this, &MainWindow::showHelp);
    connect(webSiteAction, &QAction::triggered, this, &MainWindow::showWebSite);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::showAbout);

    // Toolbar buttons only forward to the menu commands.
    connect(addDatabaseButton, &QToolButton::clicked, addDatabaseAction, &QAction::trigger);
    connect(deleteDatabaseButton, &QToolButton::clicked, deleteDatabaseAction, &QAction::trigger);
    connect(printButton, &QToolButton::clicked, printAction, &QAction::trigger);
    connect(settingsButton, &QToolButton::clicked, settingsAction, &QAction::trigger);
    connect(userDatabaseButton, &QToolButton::clicked, userDatabaseAction, &QAction::trigger);
    connect(nbtstatButton, &QToolButton::clicked, nbtstatAction, &QAction::trigger);
    connect(helpButton, &QToolButton::clicked, helpAction, &QAction::trigger);
}

SettingsWindow* MainWindow::settings() {
    if (!settings_) {
        settings_ = new SettingsWindow(this, *settingsStore_);
        connect(settings_, &SettingsWindow::monitorIntervalChosen, this,
                [this](int ms, const QString& text) { setMonitorInterval(ms, text); });
        connect(settings_, &SettingsWindow::userDatabaseChosen, this, &MainWindow::connectUserDatabase);
    }
    return settings_;
}

UserNameWindow* MainWindow::data() {
    if (!data_) {
        data_ = new UserNameWindow(this);
        connect(data_, &UserNameWindow::connectionRequested, this, &MainWindow::connectUserDatabase);
    }
    return data_;
}

void MainWindow::connectUserDatabase() {
    // The Jet password as the window holds it now (the roster logs on with it too).
    data()->connectTo(settingsStore_->value().userDatabasePath, passwordEdit->text());
}

QString MainWindow::selectedDatabasePath() const { return databasePathLabel->text(); }

void MainWindow::setSelectedDatabasePath(const QString& path) {
    // The panel shows a long path elided; the tooltip shows it whole.
    databasePathLabel->setText(path);
    databasePathLabel->setToolTip(path);
    updateCompactAction();
}

double MainWindow::panelHeightTwips(const QWidget* panel) const {
    const int index = panels->indexOf(const_cast<QWidget*>(panel));
    return index < 0 ? 0.0 : pixelsToTwipsY(this, panels->sizes().value(index));
}

void MainWindow::setPanelHeightTwips(QWidget* panel, double twips) {
    const int index = panels->indexOf(panel);
    if (index < 0)
        return;
    QList<int> sizes = panels->sizes();
    const int total = std::max(panels->height(), sizes[0] + sizes[1] + sizes[2]);
    sizes[index] = std::max(0, twipsToPixelsY(this, twips));
    sizes[2] = std::max(0, total - sizes[0] - sizes[1]);
    panels->setSizes(sizes);
}
