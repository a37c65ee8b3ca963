#pragma once
// Test doubles for the platform seams: they record what the program asked
// for and answer from a script.
#include "base/MessageBoxes.h"
#include "base/OpenFileDialog.h"
#include "shell/Launcher.h"

#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class FakeMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        MessageBoxRequest request;
        QWidget* owner;
    };
    std::vector<Shown> shown;
    std::deque<MsgAnswer> answers;  // taken in order; Yes / Save / Ok when empty
    // Runs while a box is "open", as the user interface's event loop would.
    std::function<void()> whileOpen;

    MsgAnswer show(QWidget* owner, const MessageBoxRequest& request) override;
    const MessageBoxRequest& last() const { return shown.back().request; }
    QStringList texts() const;
    // The texts of the boxes not titled `title`: what a reader said, apart from
    // the user name resolution's reports of computers it does not know.
    QStringList textsNotTitled(const QString& title) const;
};

class FakeOpenFileDialog : public OpenFileDialog {
public:
    std::vector<OpenFileRequest> requests;
    std::deque<std::optional<QString>> answers;  // nothing: cancelled
    std::function<void()> failWith;              // throws, when set

    std::optional<QString> getOpenFileName(const OpenFileRequest& request) override;
};

class FakeLauncher : public Launcher {
public:
    struct Started {
        QString program;
        QStringList arguments;
        QString workingDirectory;
    };
    std::vector<Started> started;
    QStringList opened;
    bool succeed = true;

    bool startProgram(const QString& program, const QStringList& arguments, const QString& workingDirectory,
                      qint64* pid = nullptr) override;
    bool openDocument(const QString& fileOrUrl) override;
};

// Puts the fakes in place of the platform for the life of a test, and gives
// the program a fresh folder of its own ($RAVELIN_HOME) and runtime folder.
class FakePlatform {
public:
    FakePlatform();
    ~FakePlatform();

    FakeMessageBoxes boxes;
    FakeOpenFileDialog files;
    FakeLauncher programs;
    QTemporaryDir home;

    QString homeFile(const QString& name) const { return home.filePath(name); }
    QString lockPath() const { return home.filePath(QStringLiteral("instance.lock")); }
    // Writes `bytes` to a file in the program's folder.
    void writeHomeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readHomeFile(const QString& name) const;
};

// Limits the size of files this process may write, so that a write fails as
// it would on a full disk (also for root, whom permissions don't stop).
class FileSizeLimit {
public:
    explicit FileSizeLimit(long long bytes);
    ~FileSizeLimit();

private:
    long long previous_;
};
