#pragma once
// Starting other programs goes through this seam so that tests can see what
// would have been started without starting it.
#include <QString>
#include <QStringList>

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts `program` with `arguments` without waiting for it; false when it
    // could not be started. `pid`, when given, receives the process id (0
    // when there is none to give).
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              const QString& workingDirectory, qint64* pid = nullptr) = 0;
    // Opens a document or web address with the desktop's associated program;
    // false when that failed.
    virtual bool openDocument(const QString& fileOrUrl) = 0;
};

Launcher& launcher();
void setLauncher(Launcher* l);
