#include "app/frmTip.h"

#include "app/Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

frmTip::frmTip(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmTip"));
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
    C1Elastic1 = new QLabel(QStringLiteral("Auto Monitoring Status"), this);
    C1Elastic1->setObjectName(QStringLiteral("C1Elastic1"));
    C1Elastic1->setAlignment(Qt::AlignCenter);
    C1Elastic1->setFixedHeight(twipsToPixelsY(this, 525));
    QFont bold = C1Elastic1->font();
    bold.setBold(true);
    C1Elastic1->setFont(bold);
    C1Elastic1->setFrameShape(QFrame::Box);
    lbMsg = new QLabel(QStringLiteral("Auto Monitoring"), this);
    lbMsg->setObjectName(QStringLiteral("lbMsg"));
    lbMsg->setAlignment(Qt::AlignCenter);
    lbMsg->setWordWrap(true);
    lbMsg->setFixedHeight(twipsToPixelsY(this, 1680));
    lbMsg->setFrameShape(QFrame::Box);
    frame->addWidget(C1Elastic1);
    frame->addWidget(lbMsg);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &frmTip::Timer1_Timer);
    Timer1->start(kLifetimeMs);
}

void frmTip::showOverOwner() {
    if (QWidget* owner = parentWidget()) {
        const QRect o = owner->frameGeometry();
        move(o.center() - QPoint(width() / 2, height() / 2));
    }
    show();
}

void frmTip::Timer1_Timer() { close(); }

void frmTip::closeEvent(QCloseEvent* event) {
    closed_ = true;
    QWidget::closeEvent(event);
}
