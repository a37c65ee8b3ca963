#include "app/frmMain.h"

#include "app/ElidedLabel.h"
#include "app/IntervalTimer.h"
#include "app/MenuShortcutsFirst.h"
#include "app/Named.h"
#include "app/Twips.h"
#include "settings/Module1.h"
#include "settings/frmSettings.h"
#include "usernames/frmData.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
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

frmMain::frmMain() {
    setObjectName(QStringLiteral("frmMain"));
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
    row->addWidget(pToolbarArea);
    row->addWidget(panels, 1);

    StatusBar1 = named(new QStatusBar(this), QStringLiteral("StatusBar1"));
    StatusBar1Panel1 = named(new ElidedLabel(StatusBar1), QStringLiteral("StatusBar1.Panels(1)"));
    StatusBar1->addWidget(StatusBar1Panel1, 1);
    setStatusBar(StatusBar1);
    // The design client area, 11010 x 7515 twips, is the window without its
    // menu bar.
    resize(twipsToPixelsX(this, 11010), twipsToPixelsY(this, 7515) + menuBar()->sizeHint().height());

    Timer1 = new IntervalTimer(this, 60000, false);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &IntervalTimer::Timer, this, &frmMain::Timer1_Timer);

    new MenuShortcutsFirst(this, menuBar());
}

frmMain::~frmMain() = default;

void frmMain::buildToolbar() {
    pToolbar = named(new QWidget, QStringLiteral("pToolbar"));
    auto* stack = new QVBoxLayout(pToolbar);
    stack->setContentsMargins(2, 2, 2, 2);
    stack->setSpacing(2);
    // Buttons take the toolbar's width, so that every caption shows whole.
    const QSize buttonSize(twipsToPixelsX(this, 1155) - 8, twipsToPixelsY(this, 855));
    auto button = [&](const char* name, const char* caption, const char* theme, QStyle::StandardPixmap fallback) {
        auto* b = named(new QToolButton(pToolbar), QString::fromLatin1(name));
        b->setText(QString::fromUtf8(caption));
        b->setToolTip(QString::fromUtf8(caption).remove(QChar('&')));
        b->setIcon(toolIcon(this, theme, fallback));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setFixedSize(buttonSize);
        stack->addWidget(b, 0, Qt::AlignHCenter);
        return b;
    };
    BtnAddDB = button("BtnAddDB", "&Add DB", "list-add", QStyle::SP_FileDialogNewFolder);
    BtnDelDB = button("BtnDelDB", "&Delete DB", "list-remove", QStyle::SP_TrashIcon);
    BtnPrint = button("BtnPrint", "&Print", "document-print", QStyle::SP_FileDialogDetailedView);
    BtnSettg = button("BtnSettg", "Se&ttings", "preferences-system", QStyle::SP_FileDialogContentsView);
    BtnSpellChk = button("BtnSpellChk", "&User DB", "x-office-address-book", QStyle::SP_DriveHDIcon);
    BtnCmdPrompt = button("BtnCmdPrompt", "&NBTSTAT", "utilities-terminal", QStyle::SP_ComputerIcon);
    BtnHelp = button("BtnHelp", "&Help", "help-contents", QStyle::SP_DialogHelpButton);
    // Alt+H belongs to the "&Help" menu; two owners would leave it to neither.
    BtnHelp->setShortcut(QKeySequence());
    stack->addStretch(1);

    pToolbarArea = named(new QScrollArea, QStringLiteral("pToolbarArea"));
    pToolbarArea->setWidget(pToolbar);
    pToolbarArea->setWidgetResizable(true);
    pToolbarArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pToolbarArea->setFixedWidth(twipsToPixelsX(this, 1155));
}

void frmMain::buildPanels() {
    panels = named(new QSplitter(Qt::Vertical), QStringLiteral("panels"));
    panels->setChildrenCollapsible(false);
    panels->addWidget(buildListPanel());
    panels->addWidget(buildUserPanel());
    buildOptions();
    panels->addWidget(pRtBottomArea);
    // The two stored panels keep their heights; the options area takes what
    // the window gains or loses.
    panels->setStretchFactor(0, 0);
    panels->setStretchFactor(1, 0);
    panels->setStretchFactor(2, 1);
    panels->setSizes({twipsToPixelsY(this, 1410), twipsToPixelsY(this, 2070), twipsToPixelsY(this, 3000)});
}

QWidget* frmMain::buildListPanel() {
    pLeft = named(new QWidget, QStringLiteral("pLeft"));
    auto* v = new QVBoxLayout(pLeft);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    pLfTopTop = headingBar(QStringLiteral(" Access Databases"), QStringLiteral("pLfTopTop"), pLeft);
    List1 = named(new QListWidget(pLeft), QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    v->addWidget(pLfTopTop);
    v->addWidget(List1, 1);
    connect(List1, &QListWidget::itemSelectionChanged, this, &frmMain::List1_Click);
    connect(List1, &QListWidget::itemDoubleClicked, this, &frmMain::List1_DblClick);
    return pLeft;
}

QWidget* frmMain::buildUserPanel() {
    pRtTop = named(new QWidget, QStringLiteral("pRtTop"));
    auto* v = new QVBoxLayout(pRtTop);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    pRtTopTop = headingBar(QStringLiteral(" LDB User Information"), QStringLiteral("pRtTopTop"), pRtTop);
    lvUsers = named(new QTreeWidget(pRtTop), QStringLiteral("lvUsers"));
    lvUsers->setRootIsDecorated(false);
    lvUsers->setUniformRowHeights(true);
    lvUsers->setAllColumnsShowFocus(true);
    lvUsers->setSelectionMode(QAbstractItemView::SingleSelection);
    lvUsers->header()->setStretchLastSection(false);
    lvUsers->setColumnCount(0);
    v->addWidget(pRtTopTop);
    v->addWidget(lvUsers, 1);
    lvUsers->viewport()->installEventFilter(this);  // the double-click, on a row or not
    return pRtTop;
}

void frmMain::buildOptions() {
    pRtBottom = named(new QWidget, QStringLiteral("pRtBottom"));
    auto* grid = new QGridLayout(pRtBottom);

    chkAutoMonitor = named(new QCheckBox(QStringLiteral("Auto Monitoring (Every 60000 miliseconds)"), pRtBottom),
                           QStringLiteral("chkAutoMonitor"));
    btnLDBUsers = named(new QPushButton(QStringLiteral("Display &Logged In Users"), pRtBottom),
                        QStringLiteral("btnLDBUsers"));

    fMode = named(new QGroupBox(QStringLiteral(" Read Mode: "), pRtBottom), QStringLiteral("fMode"));
    auto* modeLayout = new QGridLayout(fMode);
    optMode[0] = named(new QRadioButton(QStringLiteral("ADO Roster Schema"), fMode), QStringLiteral("optMode(0)"));
    optMode[1] = named(new QRadioButton(QStringLiteral("MSLDBUsr (msldbusr.dll required)"), fMode),
                       QStringLiteral("optMode(1)"));
    optMode[0]->setChecked(true);
    QFont bold = optMode[0]->font();
    bold.setBold(true);
    optMode[0]->setFont(bold);

    Frame1 = named(new QGroupBox(fMode), QStringLiteral("Frame1"));
    auto* credentials = new QGridLayout(Frame1);
    lblSecurity[0] = named(new QLabel(QStringLiteral("User Name:"), Frame1), QStringLiteral("lblSecurity(0)"));
    lblSecurity[1] = named(new QLabel(QStringLiteral("Password:"), Frame1), QStringLiteral("lblSecurity(1)"));
    txtUserName = named(new QLineEdit(Frame1), QStringLiteral("txtUserName"));
    txtPassword = named(new QLineEdit(Frame1), QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
    credentials->addWidget(lblSecurity[0], 0, 0);
    credentials->addWidget(txtUserName, 0, 1);
    credentials->addWidget(lblSecurity[1], 1, 0);
    credentials->addWidget(txtPassword, 1, 1);

    fLDB = named(new QGroupBox(fMode), QStringLiteral("fLDB"));
    auto* ldbLayout = new QVBoxLayout(fLDB);
    const char* ldbCaptions[] = {"Show all users listed in the database", "Show all logged in users to the database",
                                 "Show users that left database in a suspect state"};
    auto* ldbGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        optLDB[i] = named(new QRadioButton(QString::fromLatin1(ldbCaptions[i]), fLDB),
                          QStringLiteral("optLDB(%1)").arg(i));
        ldbGroup->addButton(optLDB[i], i);
        ldbLayout->addWidget(optLDB[i]);
    }
    optLDB[1]->setChecked(true);
    chkAllPossible = named(new QCheckBox(QStringLiteral("Display All Possible Users in Thin-Client"), fLDB),
                           QStringLiteral("chkAllPossible"));
    // Indented under the options it refines.
    auto* indented = new QHBoxLayout;
    indented->addSpacing(twipsToPixelsX(this, 300));
    indented->addWidget(chkAllPossible, 1);
    ldbLayout->addLayout(indented);

    // The design state is roster schema mode: the lock-file options are off.
    for (QRadioButton* o : optLDB)
        o->setEnabled(false);
    chkAllPossible->setEnabled(false);

    auto* modeGroup = new QButtonGroup(this);
    modeGroup->addButton(optMode[0], 0);
    modeGroup->addButton(optMode[1], 1);
    modeLayout->addWidget(optMode[0], 0, 0);
    modeLayout->addWidget(Frame1, 1, 0, Qt::AlignTop);
    modeLayout->addWidget(optMode[1], 0, 1);
    modeLayout->addWidget(fLDB, 1, 1);

    grid->addWidget(chkAutoMonitor, 0, 0);
    grid->addWidget(btnLDBUsers, 0, 1, Qt::AlignRight);
    grid->addWidget(fMode, 1, 0, 1, 2);
    grid->setRowStretch(2, 1);

    // Margins kept small, so that at the design size everything fits
    // without a scroll bar.
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(4);

    pRtBottomArea = named(new QScrollArea, QStringLiteral("pRtBottomArea"));
    pRtBottomArea->setFrameShape(QFrame::NoFrame);
    pRtBottomArea->setWidget(pRtBottom);
    pRtBottomArea->setWidgetResizable(true);

    connect(btnLDBUsers, &QPushButton::clicked, this, &frmMain::btnLDBUsers_Click);
    connect(chkAutoMonitor, &QCheckBox::toggled, this, &frmMain::chkAutoMonitor_Click);
    connect(modeGroup, &QButtonGroup::idClicked, this, &frmMain::optMode_Click);
    connect(ldbGroup, &QButtonGroup::idClicked, this, &frmMain::optLDB_Click);
}

void frmMain::buildMenus() {
    auto action = [](QMenu* menu, const char* name, const char* caption, const QKeySequence& key = {}) {
        auto* a = named(menu->addAction(QString::fromLatin1(caption)), QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) { return named(menu->addSeparator(), QString::fromLatin1(name)); };

    mnuFile = named(menuBar()->addMenu(QStringLiteral("&File")), QStringLiteral("mnuFile"));
    mAddDB = action(mnuFile, "mAddDB", "&Add Database Path", QKeySequence(Qt::CTRL | Qt::Key_A));
    mDelDB = action(mnuFile, "mDelDB", "&Delete Database Path");
    mnuSep = separator(mnuFile, "mnuSep");
    mPrint = action(mnuFile, "mPrint", "&Print-Export To TXT", QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuSep1 = separator(mnuFile, "mnuSep1");
    mnuExit = action(mnuFile, "mnuExit", "&Exit", QKeySequence(Qt::CTRL | Qt::Key_F4));

    mnuOptions = named(menuBar()->addMenu(QStringLiteral("&Options")), QStringLiteral("mnuOptions"));
    mnuUserDB = action(mnuOptions, "mnuUserDB", "&User Database", QKeySequence(Qt::CTRL | Qt::Key_E));
    mnuSep6 = separator(mnuOptions, "mnuSep6");
    mSettings = action(mnuOptions, "mSettings", "&Settings", QKeySequence(Qt::CTRL | Qt::Key_W));
    mnuSep3 = separator(mnuOptions, "mnuSep3");
    mnuDisplayUsers = action(mnuOptions, "mnuDisplayUsers", "&Display Logged In Users", QKeySequence(Qt::Key_F5));
    mCmdPrompt = action(mnuOptions, "mCmdPrompt", "&Command Prompt (NBTSTAT)", QKeySequence(Qt::Key_F2));

    mnuHelp = named(menuBar()->addMenu(QStringLiteral("&Help")), QStringLiteral("mnuHelp"));
    mHelp = action(mnuHelp, "mHelp", "&Help", QKeySequence(Qt::Key_F1));
    mnuSep4 = separator(mnuHelp, "mnuSep4");
    mWebSite = action(mnuHelp, "mWebSite", "&Developers Web Site");
    mnuSep5 = separator(mnuHelp, "mnuSep5");
    mAbout = action(mnuHelp, "mAbout", "&About Ravelin");

    connect(mAddDB, &QAction::triggered, this, &frmMain::mAddDB_Click);
    connect(mDelDB, &QAction::triggered, this, &frmMain::mDelDB_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(mnuUserDB, &QAction::triggered, this, &frmMain::mnuUserDB_Click);
    connect(mSettings, &QAction::triggered, this, &frmMain::mSettings_Click);
    connect(mnuDisplayUsers, &QAction::triggered, this, &frmMain::mnuDisplayUsers_Click);
    connect(mPrint, &QAction::triggered, this, &frmMain::mPrint_Click);
    connect(mCmdPrompt, &QAction::triggered, this, &frmMain::mCmdPrompt_Click);
    connect(mHelp, &QAction::triggered, this, &frmMain::mHelp_Click);
    connect(mWebSite, &QAction::triggered, this, &frmMain::mWebSite_Click);
    connect(mAbout, &QAction::triggered, this, &frmMain::mAbout_Click);

    // Toolbar buttons only forward to the menu commands.
    connect(BtnAddDB, &QToolButton::clicked, mAddDB, &QAction::trigger);
    connect(BtnDelDB, &QToolButton::clicked, mDelDB, &QAction::trigger);
    connect(BtnPrint, &QToolButton::clicked, mPrint, &QAction::trigger);
    connect(BtnSettg, &QToolButton::clicked, mSettings, &QAction::trigger);
    connect(BtnSpellChk, &QToolButton::clicked, mnuUserDB, &QAction::trigger);
    connect(BtnCmdPrompt, &QToolButton::clicked, mCmdPrompt, &QAction::trigger);
    connect(BtnHelp, &QToolButton::clicked, mHelp, &QAction::trigger);
}

frmSettings* frmMain::settings() {
    if (!settings_) {
        settings_ = new frmSettings(this);
        connect(settings_, &frmSettings::monitorIntervalChosen, this,
                [this](int ms, const QString& text) { setMonitorInterval(ms, text); });
        connect(settings_, &frmSettings::userDatabaseChosen, this, &frmMain::ConnectUserDB);
    }
    return settings_;
}

frmData* frmMain::data() {
    if (!data_) {
        data_ = new frmData(this);
        connect(data_, &frmData::connectionRequested, this, &frmMain::ConnectUserDB);
    }
    return data_;
}

void frmMain::ConnectUserDB() { Module1::ConnectUserDB(*settings(), *data()); }

QString frmMain::selectedDatabasePath() const { return StatusBar1Panel1->text(); }

void frmMain::setSelectedDatabasePath(const QString& path) {
    // The panel shows a long path elided; the tooltip shows it whole.
    StatusBar1Panel1->setText(path);
    StatusBar1Panel1->setToolTip(path);
}

double frmMain::panelHeightTwips(const QWidget* panel) const {
    const int index = panels->indexOf(const_cast<QWidget*>(panel));
    return index < 0 ? 0.0 : pixelsToTwipsY(this, panels->sizes().value(index));
}

void frmMain::setPanelHeightTwips(QWidget* panel, double twips) {
    const int index = panels->indexOf(panel);
    if (index < 0)
        return;
    QList<int> sizes = panels->sizes();
    const int total = std::max(panels->height(), sizes[0] + sizes[1] + sizes[2]);
    sizes[index] = std::max(0, twipsToPixelsY(this, twips));
    sizes[2] = std::max(0, total - sizes[0] - sizes[1]);
    panels->setSizes(sizes);
}
