#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

QString programFolder() {
    const QString home = qEnvironmentVariable("RAVELIN_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    // A build keeps its files beside the executable. An installed program
    // (share/ravelin/ beside its bin/) never does, even where bin/ is
    // writable (root, or a prefix in the user's home): the files are the
    // user's, not the installation's.
    const QString exeDir = QCoreApplication::applicationDirPath();
    const bool installed = QFileInfo(exeDir + QStringLiteral("/../share/ravelin")).isDir();
    if (!exeDir.isEmpty() && !installed && ::access(QFile::encodeName(exeDir).constData(), W_OK) == 0)
        return exeDir;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString folder = config + QStringLiteral("/ravelin");
    QDir().mkpath(folder);
    return folder;
}

void anchorProgramFolder() {
    const QString home = qEnvironmentVariable("RAVELIN_HOME");
    if (!home.isEmpty() && QDir::isRelativePath(home))
        qputenv("RAVELIN_HOME", QFile::encodeName(QDir::current().absoluteFilePath(home)));
}

QString programFile(const QString& name) { return programFolder() + QChar('/') + name; }

bool enterProgramFolder() { return QDir::setCurrent(programFolder()); }

QString sharedFile(const QString& name) {
    const QString beside = QCoreApplication::applicationDirPath() + QChar('/') + name;
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("ravelin/") + name);
    return installed.isEmpty() ? beside : installed;
}
