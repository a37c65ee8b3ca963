// The user name database window: its controls, its placement file and the
// list selection that makes a record current.
#include "usernames/UserNameWindow.h"

#include "base/Named.h"
#include "base/Numbers.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "base/Twips.h"
#include "usernames/ComputerNameList.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString placementFile() { return programFile(QStringLiteral("usernames.set")); }

// A placement value as plain decimal text: whole values without a decimal
// part, others with the locale's decimal separator.
QString placementText(double twips) {
    if (twips == std::floor(twips))
        return QString::number(static_cast<long long>(twips));
    return QLocale::system().toString(twips, 'g', 7);
}

}  // namespace

UserNameWindow::UserNameWindow(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("UserNameWindow"));
    setWindowTitle(QStringLiteral(" User Database"));
    resize(twipsToPixelsX(this, 4305), twipsToPixelsY(this, 5250));

    names_ = new ComputerNameList(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    buildToolbar();
    listPanel = named(new QWidget(this), QStringLiteral("listPanel"));
    auto* listBox = new QVBoxLayout(listPanel);
    listBox->setContentsMargins(2, 0, 2, 0);
    nameList = named(new QListView(listPanel), QStringLiteral("nameList"));
    nameList->setModel(names_);
    nameList->setUniformItemSizes(true);
    nameList->setSelectionMode(QAbstractItemView::SingleSelection);
    nameList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listBox->addWidget(nameList);
    buildFields();
    infoLabel = named(new QLabel(QStringLiteral("Select Record"), this), QStringLiteral("infoLabel"));
    infoLabel->setFrameShape(QFrame::Panel);
    infoLabel->setFrameShadow(QFrame::Sunken);
    followCheck = named(new QCheckBox(QStringLiteral("Follow monitoring"), this), QStringLiteral("followCheck"));
    followCheck->setChecked(true);
    column->addWidget(toolbarPanel);
    column->addWidget(listPanel, 1);
    column->addWidget(fieldPanel);
    column->addWidget(followCheck);
    column->addWidget(infoLabel);

    // The connection starts once the window is built; the reading then runs
    // a slice per tick, so that the window handles input in between.
    connectTimer = new QTimer(this);
    connectTimer->setSingleShot(true);
    connectTimer->start(10);
    readTimer = new QTimer(this);
    readTimer->setInterval(1);

    connect(connectTimer, &QTimer::timeout, this, &UserNameWindow::connectTick);
    connect(readTimer, &QTimer::timeout, this, &UserNameWindow::readTick);
    connect(refreshButton, &QToolButton::clicked, this, &UserNameWindow::refreshConnection);
    connect(closeButton, &QPushButton::clicked, this, &UserNameWindow::closeWindow);
    connect(addButton, &QToolButton::clicked, this, &UserNameWindow::addRecord);
    connect(cancelAddButton, &QToolButton::clicked, this, &UserNameWindow::cancelAdding);
    connect(saveButton, &QToolButton::clicked, this, &UserNameWindow::saveRecord);
    connect(deleteButton, &QToolButton::clicked, this, &UserNameWindow::deleteRecord);
    for (int i = 0; i < 4; ++i)
        connect(fieldEdits[static_cast<std::size_t>(i)], &QLineEdit::textEdited, this,
                [this, i](const QString& text) { fieldEdited(i, text); });
    connect(nameList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (nameIndex() >= 0)
            showSelectedName();
    });
    loadSettings();
}

void UserNameWindow::loadSettings() {
    LineReader in(placementFile());
    placementUnread_ = !in.isOpen() && QFileInfo::exists(placementFile());
    double values[4] = {};
    for (int i = 0; i < 4; ++i) {
        const auto line = in.next();
        const auto v = line ? parseNumber(*line) : std::nullopt;
        if (!v) {
            placementUnread_ = placementUnread_ || line.has_value();
            return;
        }
        values[i] = *v;
        switch (i) {
        case 0: move(twipsToPixelsX(this, values[0]), y()); break;
        case 1: move(x(), twipsToPixelsY(this, values[1])); break;
        case 2: resize(twipsToPixelsX(this, values[2]), height()); break;
        case 3: resize(width(), twipsToPixelsY(this, values[3])); break;
        }
    }
}

void UserNameWindow::saveSettings() {
    enterProgramFolder();
    if (placementUnread_ && !keepUnreadableAside(placementFile()))
        return;
    if (writeLinesReplacing(placementFile(),
                            {placementText(std::round(pixelsToTwipsX(this, x()))),
                             placementText(std::round(pixelsToTwipsY(this, y()))),
                             placementText(std::round(pixelsToTwipsX(this, width()))),
                             placementText(std::round(pixelsToTwipsY(this, height())))}))
        placementUnread_ = false;
}

void UserNameWindow::unload() {
    settleUnsaved(MsgButtons::YesNo);  // the program is closing: no staying open
    unloading_ = true;
    readTimer->stop();
    connectTimer->stop();
    saveSettings();
    close();
}

UserNameWindow::~UserNameWindow() = default;

void UserNameWindow::buildToolbar() {
    toolbarPanel = named(new QWidget(this), QStringLiteral("toolbarPanel"));
    toolbarPanel->setFixedHeight(twipsToPixelsY(this, 405));
    auto* row = new QHBoxLayout(toolbarPanel);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    auto button = [&](const char* name, const char* tip, const char* theme, QStyle::StandardPixmap fallback) {
        auto* b = named(new QToolButton(toolbarPanel), QString::fromLatin1(name));
        b->setToolTip(QString::fromLatin1(tip));
        b->setIcon(QIcon::fromTheme(QString::fromLatin1(theme), style()->standardIcon(fallback)));
        b->setIconSize(QSize(16, 16));
        b->setAutoRaise(true);
        row->addWidget(b);
        return b;
    };
    auto separator = [&](int index) {
        auto* s = named(new QFrame(toolbarPanel), QStringLiteral("toolbarSeparators(%1)").arg(index));
        s->setFrameShape(QFrame::VLine);
        s->setFrameShadow(QFrame::Sunken);
        toolbarSeparators[static_cast<std::size_t>(index)] = s;
        row->addWidget(s);
    };
    saveButton = button("saveButton", "Save Record", "document-save", QStyle::SP_DialogSaveButton);
    refreshButton = button("refreshButton", "Refresh DB Connection", "view-refresh", QStyle::SP_BrowserReload);
    refreshButton->setEnabled(false);
    separator(1);
    addButton = button("addButton", "Add Record", "list-add", QStyle::SP_FileDialogNewFolder);
    cancelAddButton = button("cancelAddButton", "Cancel Add Record", "edit-undo", QStyle::SP_DialogCancelButton);
    cancelAddButton->setEnabled(false);
    separator(0);
    deleteButton = button("deleteButton", "Delete Record", "edit-delete", QStyle::SP_TrashIcon);
    separator(2);
    row->addStretch(1);
    closeButton = named(new QPushButton(QStringLiteral("&Close"), toolbarPanel), QStringLiteral("closeButton"));
    row->addWidget(closeButton);
}

void UserNameWindow::buildFields() {
    fieldPanel = named(new QWidget(this), QStringLiteral("fieldPanel"));
    auto* fields = new QVBoxLayout(fieldPanel);
    fields->setContentsMargins(2, 0, 2, 0);
    fields->setSpacing(1);
    static constexpr const char* kCaptions[] = {"Computer Name:", "User Name:", "Contact:", "Email:"};
    static constexpr int kLimits[] = {50, 60, 60, 60};
    for (std::size_t i = 0; i < fieldEdits.size(); ++i) {
        const QString caption = QString::fromLatin1(kCaptions[i]);
        fieldLabels[i] = named(new QLabel(caption, fieldPanel), QStringLiteral("fieldLabels(%1)").arg(i));
        fieldEdits[i] = named(new QLineEdit(fieldPanel), QStringLiteral("fieldEdits(%1)").arg(i));
        fieldEdits[i]->setToolTip(caption);
        fieldEdits[i]->setMaxLength(kLimits[i]);
        fieldLabels[i]->setBuddy(fieldEdits[i]);
        fields->addWidget(fieldLabels[i]);
        fields->addWidget(fieldEdits[i]);
    }
}

int UserNameWindow::nameIndex() const {
    const QModelIndexList selected = nameList->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.constFirst().row();
}

void UserNameWindow::selectNameIndex(int index) {
    if (index < 0 || index >= names_->count()) {
        nameList->selectionModel()->clear();
        return;
    }
    const QModelIndex at = names_->index(index);
    if (nameIndex() == index) {
        showSelectedName();  // setting the same index again still runs the click
        return;
    }
    nameList->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    nameList->scrollTo(at);
}

int UserNameWindow::findComputerName(const QString& text) const { return names_->findExact(text); }

void UserNameWindow::showCurrentRecord() {
    edit_.show(recordSource.boundTexts());
    shownSkip_ = 0;
    for (std::size_t i = 0; i < fieldEdits.size(); ++i)
        fieldEdits[i]->setText(edit_.shown()[i]);
}

void UserNameWindow::clearRecordFields() {
    for (QLineEdit* box : fieldEdits)
        box->clear();
}

void UserNameWindow::closeWindow() {
    if (settleUnsaved(MsgButtons::SaveDiscardCancel))
        hide();
}

void UserNameWindow::closeEvent(QCloseEvent* event) {
    if (!unloading_ && !settleUnsaved(MsgButtons::SaveDiscardCancel))
        event->ignore();
}

bool UserNameWindow::settleUnsaved(MsgButtons choice) {
    if (addingRecord ? allFieldsEmpty() : !recordSource.pending()) {
        if (addingRecord)
            cancelAdding();
        return true;
    }
    const QString name = fieldEdits[0]->text();
    const MsgAnswer answer =
        ask(QStringLiteral("The record '%1' has changes that are not saved.").arg(name) + QChar('\r') +
                QStringLiteral("Save them?"),
            MsgIcon::Question, choice, QStringLiteral("Unsaved Changes"));
    if (answer == MsgAnswer::Cancel)
        return false;
    if (answer == MsgAnswer::Save || answer == MsgAnswer::Yes) {
        saveRecord();
        return !addingRecord && !recordSource.pending();
    }
    if (addingRecord) {
        cancelAdding();
    } else {
        recordSource.cancelUpdate();
        showCurrentRecord();
    }
    return true;
}

QWidget* UserNameWindow::boxOwner() { return isVisible() || !parentWidget() ? this : parentWidget(); }

QAbstractButton* UserNameWindow::commandButton(Command command) const {
    switch (command) {
    case Command::Save: return saveButton;
    case Command::Refresh: return refreshButton;
    case Command::Add: return addButton;
    case Command::CancelAdd: return cancelAddButton;
    case Command::Delete: return deleteButton;
    case Command::Close: return closeButton;
    }
    return nullptr;
}

void UserNameWindow::click(Command command) { commandButton(command)->click(); }

bool UserNameWindow::enabled(Command command) const { return commandButton(command)->isEnabled(); }

RecordTexts UserNameWindow::fieldTexts() const {
    RecordTexts texts;
    for (std::size_t i = 0; i < fieldEdits.size(); ++i)
        texts[i] = fieldEdits[i]->text();
    return texts;
}

QString UserNameWindow::statusText() const { return infoLabel->text(); }

bool UserNameWindow::listEnabled() const { return nameList->isEnabled(); }

bool UserNameWindow::loadPending() const { return connectTimer->isActive() || readTimer->isActive(); }

bool UserNameWindow::following() const { return followCheck->isChecked(); }

void UserNameWindow::setFollowing(bool follow) { followCheck->setChecked(follow); }
