#include "usernames/DefaultUserNameDatabase.h"

#include "base/ProgramFolder.h"
#include "jet/Error.h"
#include "jet/create/CreateDatabase.h"

#include <QFile>
#include <QFileInfo>

bool createDefaultUserNameDatabase(const QString& configuredPath) {
    const QString defaultPath = programFile(QStringLiteral("compnamedb.mdb"));
    if (configuredPath != defaultPath || QFileInfo(defaultPath).exists() || QFileInfo(defaultPath).isSymLink())
        return false;
    try {
        jet::createDatabase(QFile::encodeName(defaultPath).toStdString());
        return true;
    } catch (const jet::Error&) {
        return false;
    }
}
