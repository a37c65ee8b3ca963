#include "app/TipWindow.h"

#include "base/Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

TipWindow::TipWindow(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TipWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 192));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setFixedSize(twipsToPixelsX(this, 6570), twipsToPixelsY(this, 2205));

    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(1, 1, 1, 1);
    frame->setSpacing(0);
    headingLabel = new QLabel(QStringLiteral("Auto Monitoring Status"), this);
    headingLabel->setObjectName(QStringLiteral("headingLabel"));
    headingLabel->setAlignment(Qt::AlignCenter);
    headingLabel->setFixedHeight(twipsToPixelsY(this, 525));
    QFont bold = headingLabel->font();
    bold.setBold(true);
    headingLabel->setFont(bold);
    headingLabel->setFrameShape(QFrame::Box);
    messageLabel = new QLabel(QStringLiteral("Auto Monitoring"), this);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setWordWrap(true);
    messageLabel->setFixedHeight(twipsToPixelsY(this, 1680));
    messageLabel->setFrameShape(QFrame::Box);
    frame->addWidget(headingLabel);
    frame->addWidget(messageLabel);

    lifetimeTimer = new QTimer(this);
    lifetimeTimer->setObjectName(QStringLiteral("lifetimeTimer"));
    lifetimeTimer->setSingleShot(true);
    lifetimeTimer->setTimerType(Qt::PreciseTimer);
    connect(lifetimeTimer, &QTimer::timeout, this, &TipWindow::lifetimeEnded);
    lifetimeTimer->start(kLifetimeMs);
}

void TipWindow::showOverOwner() {
    if (QWidget* owner = parentWidget()) {
        const QRect o = owner->frameGeometry();
        move(o.center() - QPoint(width() / 2, height() / 2));
    }
    show();
}

void TipWindow::lifetimeEnded() { close(); }

void TipWindow::closeEvent(QCloseEvent* event) {
    closed_ = true;
    QWidget::closeEvent(event);
}

QString TipWindow::message() const { return messageLabel->text(); }

void TipWindow::setMessage(const QString& text) { messageLabel->setText(text); }
