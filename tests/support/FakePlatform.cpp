#include "tests/support/FakePlatform.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/resource.h>

MsgAnswer FakeMessageBoxes::show(QWidget* owner, const MessageBoxRequest& request) {
    shown.push_back({request, owner});
    if (whileOpen)
        whileOpen();
    if (answers.empty())
        return request.buttons == MsgButtons::YesNo               ? MsgAnswer::Yes
               : request.buttons == MsgButtons::SaveDiscardCancel ? MsgAnswer::Save
                                                                  : MsgAnswer::Ok;
    const MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
}

QStringList FakeMessageBoxes::texts() const {
    QStringList out;
    for (const Shown& s : shown)
        out << s.request.text;
    return out;
}

QStringList FakeMessageBoxes::textsNotTitled(const QString& title) const {
    QStringList out;
    for (const Shown& s : shown)
        if (s.request.title != title)
            out << s.request.text;
    return out;
}

std::optional<QString> FakeOpenFileDialog::getOpenFileName(const OpenFileRequest& request) {
    requests.push_back(request);
    if (failWith)
        failWith();
    if (answers.empty())
        return std::nullopt;
    const bool cancelled = !answers.front().has_value();
    const QString path = answers.front().value_or(QString());
    answers.pop_front();
    if (cancelled)
        return std::nullopt;
    return path;
}

bool FakeLauncher::startProgram(const QString& program, const QStringList& arguments,
                                const QString& workingDirectory, qint64* pid) {
    started.push_back({program, arguments, workingDirectory});
    if (pid)
        *pid = 0;
    return succeed;
}

bool FakeLauncher::openDocument(const QString& fileOrUrl) {
    opened << fileOrUrl;
    return succeed;
}

FakePlatform::FakePlatform() {
    setMessageBoxes(&boxes);
    setOpenFileDialog(&files);
    setLauncher(&programs);
    qputenv("RAVELIN_HOME", QFile::encodeName(home.path()));
}

FakePlatform::~FakePlatform() {
    setMessageBoxes(nullptr);
    setOpenFileDialog(nullptr);
    setLauncher(nullptr);
    qunsetenv("RAVELIN_HOME");
    QDir::setCurrent(QDir::tempPath());
}

void FakePlatform::writeHomeFile(const QString& name, const QByteArray& bytes) const {
    QFile f(homeFile(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray FakePlatform::readHomeFile(const QString& name) const {
    QFile f(homeFile(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

FileSizeLimit::FileSizeLimit(long long bytes) {
    rlimit now{};
    getrlimit(RLIMIT_FSIZE, &now);
    previous_ = static_cast<long long>(now.rlim_cur);
    std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then just fails
    now.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &now);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit now{};
    getrlimit(RLIMIT_FSIZE, &now);
    now.rlim_cur = static_cast<rlim_t>(previous_);
    setrlimit(RLIMIT_FSIZE, &now);
}
