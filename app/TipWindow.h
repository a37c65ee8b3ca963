#pragma once
// The self-closing notice shown while auto monitoring is on, instead of a
// message box that would wait for someone to dismiss it. It closes itself
// 4000 ms after it was loaded, however often its message changes meanwhile.
#include <QWidget>

class QCloseEvent;
class QLabel;
class QTimer;

class TipWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLifetimeMs = 4000;

    explicit TipWindow(QWidget* owner);

    // The message shown, and showing another.
    QString message() const;
    void setMessage(const QString& text);

    // Centres the window on its owner and shows it without taking the focus.
    void showOverOwner();
    // True once the window has closed; it is deleted soon after, and a new
    // message needs a new window.
    bool closed() const { return closed_; }

public slots:
    // The timer's tick: unloads the window.
    void lifetimeEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Closes the window when its lifetime is over.
    QTimer* lifetimeTimer;
    QLabel* headingLabel;
    QLabel* messageLabel;
    bool closed_ = false;
};
