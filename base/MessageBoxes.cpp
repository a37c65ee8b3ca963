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
        switch (r.buttons) {
        case MsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case MsgButtons::SaveDiscardCancel:
            box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Save);
            break;
        case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        }
        switch (box.exec()) {
        case QMessageBox::Yes: return MsgAnswer::Yes;
        case QMessageBox::No: return MsgAnswer::No;
        case QMessageBox::Save: return MsgAnswer::Save;
        case QMessageBox::Discard: return MsgAnswer::Discard;
        case QMessageBox::Cancel: return MsgAnswer::Cancel;
        default: break;  // closed without a button
        }
        switch (r.buttons) {
        case MsgButtons::YesNo: return MsgAnswer::No;
        case MsgButtons::SaveDiscardCancel: return MsgAnswer::Cancel;
        case MsgButtons::Ok: break;
        }
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
