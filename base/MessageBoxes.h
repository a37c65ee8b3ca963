#pragma once
// Message boxes go through this seam so that tests can answer them and read
// what was shown.
#include <QString>

class QWidget;

enum class MsgIcon { None, Information, Exclamation, Question, Critical };
enum class MsgButtons { Ok, YesNo, SaveDiscardCancel };
enum class MsgAnswer { Ok, Yes, No, Save, Discard, Cancel };

struct MessageBoxRequest {
    QString text;
    QString title;  // already defaulted to "Ravelin" by msgBox()
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

// An expected condition the user is told of, as data: the message box's text,
// title and icon, and the text the tip window shows instead while auto
// monitoring is on.
struct Notice {
    QString text;
    QString title;
    MsgIcon icon = MsgIcon::Information;
    QString tipText;
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows the box modally over `owner` and returns the button pressed.
    virtual MsgAnswer show(QWidget* owner, const MessageBoxRequest& request) = 0;
};

// The program's message box: a box without a title of its own is titled
// "Ravelin".
MsgAnswer msgBox(QWidget* owner, const QString& text, MsgIcon icon = MsgIcon::None,
                 MsgButtons buttons = MsgButtons::Ok, const QString& title = {});

// The seam the program's message boxes use; the Qt one unless a test set another.
MessageBoxes& messageBoxes();
void setMessageBoxes(MessageBoxes* boxes);
