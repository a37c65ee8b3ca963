#pragma once
// Starting other programs goes through this seam so that tests can see what
// would have been started without starting it.
#include <QString>
#include <QStringList>

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts `program` with `arguments` without waiting for it; false when it
    // could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              const QString& workingDirectory) = 0;
    // Opens a document or web address with the desktop's associated program;
    // false when that failed.
    virtual bool openDocument(const QString& fileOrUrl) = 0;
};

Launcher& launcher();
void setLauncher(Launcher* l);
