#include "about/AboutWindow.h"

#include "about/BuildVersion.h"
#include "base/Named.h"
#include "base/Twips.h"

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

AboutWindow::AboutWindow(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("AboutWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral(" About Ravelin"));
    setModal(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setFixedSize(twipsToPixelsX(this, 6450), twipsToPixelsY(this, 3630));

    iconLabel = named(new QLabel(this), "iconLabel");
    const QIcon icon = owner ? owner->windowIcon() : QIcon();
    iconLabel->setPixmap(icon.pixmap(48, 48));
    titleLabels[0] = boldLabel(QStringLiteral("Ravelin"), "titleLabels(0)", this);
    titleLabels[1] = named(new QLabel(QStringLiteral("Who is using a shared Access database"), this), "titleLabels(1)");
    versionLabel = boldLabel(QString(), "versionLabel", this);
    separatorLine = named(new QFrame(this), "separatorLine");
    separatorLine->setFrameShape(QFrame::HLine);
    systemFilesHeading = boldLabel(QStringLiteral("System Files Used In This Program:"), "systemFilesHeading", this);
    systemFilesLabel = named(new QLabel(systemFiles(), this), "systemFilesLabel");
    systemFilesLabel->setWordWrap(true);
    okButton = named(new QPushButton(QStringLiteral("&OK"), this), "okButton");
    okButton->setToolTip(QStringLiteral("Close the About box."));
    okButton->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(iconLabel, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(titleLabels[0], 0, 1);
    grid->addWidget(titleLabels[1], 1, 1);
    grid->addWidget(versionLabel, 2, 1);
    grid->addWidget(separatorLine, 3, 0, 1, 2);
    grid->addWidget(systemFilesHeading, 4, 0, 1, 2);
    grid->addWidget(systemFilesLabel, 5, 0, 1, 2);
    grid->setRowStretch(5, 1);
    grid->addWidget(okButton, 6, 1, Qt::AlignRight);

    versionLabel->setText(versionCaption(buildVersion()));
    connect(okButton, &QPushButton::clicked, this, &AboutWindow::closeAbout);
}

void AboutWindow::showModal(QWidget* owner) {
    auto* box = new AboutWindow(owner);
    if (const QScreen* s = box->screen())
        box->move(s->availableGeometry().center() - box->rect().center());
    box->exec();
}

void AboutWindow::closeAbout() { close(); }
