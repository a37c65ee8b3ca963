#include "base/MessageBoxes.h"

#include <QMessageBox>

namespace {

class QtMessageBoxes final : public MessageBoxes {
public:
    MsgAnswer show(QWidget* owner, const MessageBoxRequest& r) override {
        QMessageBox box(owner);
        box.setWindowTitle(r.title);
        box.setText(r.text);
        box.setIcon(iconOf(r.icon));
        if (r.buttons == MsgButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        const int pressed = box.exec();
        if (r.buttons == MsgButtons::YesNo)
            return pressed == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
        return MsgAnswer::Ok;
    }

private:
    static QMessageBox::Icon iconOf(MsgIcon icon) {
        switch (icon) {
        case MsgIcon::Information: return QMessageBox::Information;
        case MsgIcon::Exclamation: return QMessageBox::Warning;
        case MsgIcon::Question: return QMessageBox::Question;
        case MsgIcon::Critical: return QMessageBox::Critical;
        case MsgIcon::None: break;
        }
        return QMessageBox::NoIcon;
    }
};

QtMessageBoxes qtBoxes;
MessageBoxes* current = &qtBoxes;

}  // namespace

MessageBoxes& messageBoxes() { return *current; }

void setMessageBoxes(MessageBoxes* boxes) { current = boxes ? boxes : &qtBoxes; }

MsgAnswer msgBox(QWidget* owner, const QString& text, MsgIcon icon, MsgButtons buttons,
                 const QString& title) {
    MessageBoxRequest r{text, title.isEmpty() ? QStringLiteral("Ravelin") : title, icon, buttons};
    return current->show(owner, r);
}
