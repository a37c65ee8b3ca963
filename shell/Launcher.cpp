#include "shell/Launcher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {

class QtLauncher final : public Launcher {
public:
    bool startProgram(const QString& program, const QStringList& arguments, const QString& workingDirectory,
                      qint64* pid) override {
        return QProcess::startDetached(program, arguments, workingDirectory, pid);
    }

    bool openDocument(const QString& fileOrUrl) override {
        const QUrl url = QFileInfo::exists(fileOrUrl) ? QUrl::fromLocalFile(fileOrUrl)
                                                      : QUrl::fromUserInput(fileOrUrl);
        return QDesktopServices::openUrl(url);
    }
};

QtLauncher qtLauncher;
Launcher* current = &qtLauncher;

}  // namespace

Launcher& launcher() { return *current; }

void setLauncher(Launcher* l) { current = l ? l : &qtLauncher; }
