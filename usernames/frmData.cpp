// The user name database window: its controls, its placement file and the
// list selection that makes a record current.
#include "usernames/frmData.h"

#include "app/IntervalTimer.h"
#include "app/Named.h"
#include "app/Numbers.h"
#include "app/ProgramFolder.h"
#include "app/TextFile.h"
#include "app/Twips.h"
#include "usernames/ComputerNameList.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
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

frmData::frmData(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmData"));
    setWindowTitle(QStringLiteral(" User Database"));
    resize(twipsToPixelsX(this, 4305), twipsToPixelsY(this, 5250));

    names_ = new ComputerNameList(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    buildToolbar();
    C1Elastic4 = named(new QWidget(this), QStringLiteral("C1Elastic4"));
    auto* listBox = new QVBoxLayout(C1Elastic4);
    listBox->setContentsMargins(2, 0, 2, 0);
    lstPut = named(new QListView(C1Elastic4), QStringLiteral("lstPut"));
    lstPut->setModel(names_);
    lstPut->setUniformItemSizes(true);
    lstPut->setSelectionMode(QAbstractItemView::SingleSelection);
    lstPut->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listBox->addWidget(lstPut);
    buildFields();
    lblInfo = named(new QLabel(QStringLiteral("Select Record"), this), QStringLiteral("lblInfo"));
    lblInfo->setFrameShape(QFrame::Panel);
    lblInfo->setFrameShadow(QFrame::Sunken);
    column->addWidget(C1Elastic1);
    column->addWidget(C1Elastic4, 1);
    column->addWidget(C1Elastic3);
    column->addWidget(lblInfo);

    loadTimer = new IntervalTimer(this, 10, true);
    loadTimer->setObjectName(QStringLiteral("loadTimer"));
    Timer1 = new IntervalTimer(this, 1, false);
    Timer1->setObjectName(QStringLiteral("Timer1"));

    connect(loadTimer, &IntervalTimer::Timer, this, &frmData::loadTimer_Timer);
    connect(Timer1, &IntervalTimer::Timer, this, &frmData::Timer1_Timer);
    connect(BtnRefreshImg, &QToolButton::clicked, this, &frmData::BtnRefreshImg_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmData::cmdExit_Click);
    connect(BtnAdd, &QToolButton::clicked, this, &frmData::BtnAdd_Click);
    connect(BtnCancelRecAdd, &QToolButton::clicked, this, &frmData::BtnCancelRecAdd_Click);
    connect(BtnSav, &QToolButton::clicked, this, &frmData::BtnSav_Click);
    connect(BtnDel, &QToolButton::clicked, this, &frmData::BtnDel_Click);
    for (int i = 0; i < 4; ++i)
        connect(rtfPut[static_cast<std::size_t>(i)], &QLineEdit::textEdited, this,
                [this, i](const QString& text) { rtfPut_Change(i, text); });
    connect(lstPut->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (lstPutIndex() >= 0)
            lstPut_Click();
    });
    OpenSettings();
}

void frmData::OpenSettings() {
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

void frmData::SavSettings() {
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

void frmData::unload() {
    Timer1->setEnabled(false);
    loadTimer->setEnabled(false);
    SavSettings();
    close();
}

frmData::~frmData() = default;

void frmData::buildToolbar() {
    C1Elastic1 = named(new QWidget(this), QStringLiteral("C1Elastic1"));
    C1Elastic1->setFixedHeight(twipsToPixelsY(this, 405));
    auto* row = new QHBoxLayout(C1Elastic1);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    auto button = [&](const char* name, const char* tip, const char* theme, QStyle::StandardPixmap fallback) {
        auto* b = named(new QToolButton(C1Elastic1), QString::fromLatin1(name));
        b->setToolTip(QString::fromLatin1(tip));
        b->setIcon(QIcon::fromTheme(QString::fromLatin1(theme), style()->standardIcon(fallback)));
        b->setIconSize(QSize(16, 16));
        b->setAutoRaise(true);
        row->addWidget(b);
        return b;
    };
    auto separator = [&](int index) {
        auto* s = named(new QFrame(C1Elastic1), QStringLiteral("TopBarSep(%1)").arg(index));
        s->setFrameShape(QFrame::VLine);
        s->setFrameShadow(QFrame::Sunken);
        TopBarSep[static_cast<std::size_t>(index)] = s;
        row->addWidget(s);
    };
    BtnSav = button("BtnSav", "Save Record", "document-save", QStyle::SP_DialogSaveButton);
    BtnRefreshImg = button("BtnRefreshImg", "Refresh DB Connection", "view-refresh", QStyle::SP_BrowserReload);
    BtnRefreshImg->setEnabled(false);
    separator(1);
    BtnAdd = button("BtnAdd", "Add Record", "list-add", QStyle::SP_FileDialogNewFolder);
    BtnCancelRecAdd = button("BtnCancelRecAdd", "Cancel Add Record", "edit-undo", QStyle::SP_DialogCancelButton);
    BtnCancelRecAdd->setEnabled(false);
    separator(0);
    BtnDel = button("BtnDel", "Delete Record", "edit-delete", QStyle::SP_TrashIcon);
    separator(2);
    row->addStretch(1);
    cmdExit = named(new QPushButton(QStringLiteral("&Close"), C1Elastic1), QStringLiteral("cmdExit"));
    row->addWidget(cmdExit);
}

void frmData::buildFields() {
    C1Elastic3 = named(new QWidget(this), QStringLiteral("C1Elastic3"));
    auto* fields = new QVBoxLayout(C1Elastic3);
    fields->setContentsMargins(2, 0, 2, 0);
    fields->setSpacing(1);
    static constexpr const char* kCaptions[] = {"Computer Name:", "User Name:", "Contact:", "Email:"};
    static constexpr int kLimits[] = {50, 60, 60, 60};
    for (std::size_t i = 0; i < rtfPut.size(); ++i) {
        const QString caption = QString::fromLatin1(kCaptions[i]);
        lblPut[i] = named(new QLabel(caption, C1Elastic3), QStringLiteral("lblPut(%1)").arg(i));
        rtfPut[i] = named(new QLineEdit(C1Elastic3), QStringLiteral("rtfPut(%1)").arg(i));
        rtfPut[i]->setToolTip(caption);
        rtfPut[i]->setMaxLength(kLimits[i]);
        lblPut[i]->setBuddy(rtfPut[i]);
        fields->addWidget(lblPut[i]);
        fields->addWidget(rtfPut[i]);
    }
}

int frmData::lstPutIndex() const {
    const QModelIndexList selected = lstPut->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.constFirst().row();
}

void frmData::setLstPutIndex(int index) {
    if (index < 0 || index >= names_->count()) {
        lstPut->selectionModel()->clear();
        return;
    }
    const QModelIndex at = names_->index(index);
    if (lstPutIndex() == index) {
        lstPut_Click();  // setting the same index again still runs the click
        return;
    }
    lstPut->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    lstPut->scrollTo(at);
}

int frmData::findComputerName(const QString& text) const { return names_->findExact(text); }

void frmData::showCurrentRecord() {
    shown_ = Data1.boundTexts();
    for (std::size_t i = 0; i < rtfPut.size(); ++i)
        rtfPut[i]->setText(shown_[i]);
}

void frmData::clearRecordFields() {
    for (QLineEdit* box : rtfPut)
        box->clear();
}

void frmData::cmdExit_Click() { hide(); }

QWidget* frmData::boxOwner() { return isVisible() || !parentWidget() ? this : parentWidget(); }
