#include "about/frmAbout.h"

#include "about/BuildVersion.h"
#include "app/Named.h"
#include "app/Twips.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

QLabel* boldLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = named(new QLabel(text, parent), name);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

// The shared libraries this build loads besides the C++ runtime, in the
// sentence the box shows.
QString systemFiles() {
    const QString qt = QString::number(QT_VERSION_MAJOR);
    return QStringLiteral("libQt%1Widgets.so.%1, libQt%1Gui.so.%1, libQt%1Core.so.%1, libxcb.so.1, ravelin-help "
                          "and files that the program creates that are in the program's root folder.")
        .arg(qt);
}

}  // namespace

frmAbout::frmAbout(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral(" About Ravelin"));
    setModal(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setFixedSize(twipsToPixelsX(this, 6450), twipsToPixelsY(this, 3630));

    Picture1 = named(new QLabel(this), "Picture1");
    const QIcon icon = owner ? owner->windowIcon() : QIcon();
    Picture1->setPixmap(icon.pixmap(48, 48));
    Label1[0] = boldLabel(QStringLiteral("Ravelin"), "Label1(0)", this);
    Label1[1] = named(new QLabel(QStringLiteral("Who is using a shared Access database"), this), "Label1(1)");
    lblVersion = boldLabel(QString(), "lblVersion", this);
    Line1 = named(new QFrame(this), "Line1");
    Line1->setFrameShape(QFrame::HLine);
    Label7 = boldLabel(QStringLiteral("System Files Used In This Program:"), "Label7", this);
    Label6 = named(new QLabel(systemFiles(), this), "Label6");
    Label6->setWordWrap(true);
    Command1 = named(new QPushButton(QStringLiteral("&OK"), this), "Command1");
    Command1->setToolTip(QStringLiteral("Close the About box."));
    Command1->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Picture1, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(Label1[0], 0, 1);
    grid->addWidget(Label1[1], 1, 1);
    grid->addWidget(lblVersion, 2, 1);
    grid->addWidget(Line1, 3, 0, 1, 2);
    grid->addWidget(Label7, 4, 0, 1, 2);
    grid->addWidget(Label6, 5, 0, 1, 2);
    grid->setRowStretch(5, 1);
    grid->addWidget(Command1, 6, 1, Qt::AlignRight);

    lblVersion->setText(versionCaption(buildVersion()));
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
}

void frmAbout::showModal(QWidget* owner) {
    auto* box = new frmAbout(owner);
    if (const QScreen* s = box->screen())
        box->move(s->availableGeometry().center() - box->rect().center());
    box->exec();
}

void frmAbout::Command1_Click() { close(); }
