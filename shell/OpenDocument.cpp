#include "shell/OpenDocument.h"

#include "base/MessageBoxes.h"
#include "shell/DesktopApps.h"
#include "shell/Launcher.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// Codes of the failures a launch on this system can meet.
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kAccessDenied = 5;
constexpr int kBadProgram = 11;
constexpr int kNoAssociation = 31;

bool readable(const QString& path) { return ::access(QFile::encodeName(path).constData(), R_OK) == 0; }
bool executable(const QString& path) { return ::access(QFile::encodeName(path).constData(), X_OK) == 0; }

}  // namespace

int openDocument(const QString& file, const QString& directory, const QString& program, qint64* pid) {
    const QFileInfo info(file);
    if (file.isEmpty() || !info.exists())
        return QFileInfo(info.absolutePath()).isDir() ? kFileNotFound : kPathNotFound;
    if (!directory.isEmpty() && !QFileInfo(directory).isDir())
        return kPathNotFound;
    if (!readable(file))
        return kAccessDenied;

    QStringList command;
    if (program.isEmpty()) {
        const QString mime = QMimeDatabase().mimeTypeForFile(info).name();
        command = defaultApplicationCommand(mime, info.absoluteFilePath());
        if (command.isEmpty()) {
            const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
            if (opener.isEmpty())
                return kNoAssociation;
            command = QStringList{opener, info.absoluteFilePath()};
        }
    } else {
        command = QStringList{program, info.absoluteFilePath()};
    }

    const QFileInfo programFile(command.first());
    if (programFile.isAbsolute() && !programFile.exists())
        return kNoAssociation;
    if (programFile.isAbsolute() && !executable(programFile.filePath()))
        return kAccessDenied;
    const QString name = command.takeFirst();
    return launcher().startProgram(name, command, directory, pid) ? kLaunchOk : kBadProgram;
}

QString launchErrorText(int code, bool show, QWidget* owner) {
    if (code >= 33)
        return {};
    QString text;
    switch (code) {
    case kFileNotFound: text = QStringLiteral("File not found"); break;
    case kPathNotFound: text = QStringLiteral("Path not found"); break;
    case kAccessDenied: text = QStringLiteral("Access denied"); break;
    case kBadProgram: text = QStringLiteral("Invalid EXE file or error in EXE image"); break;
    case kNoAssociation: text = QStringLiteral("No association for file extension"); break;
    default: text = QStringLiteral("Unknown error"); break;
    }
    if (show)
        msgBox(owner, text, MsgIcon::Critical, MsgButtons::Ok, QStringLiteral("Error:"));
    return text;
}
