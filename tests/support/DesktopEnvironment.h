#pragma once
// A desktop of the test's own: XDG folders in a temporary directory, so the
// default applications and shipped files the program looks up are the ones
// the test puts there, and a PATH that starts with a folder of stand-in
// programs. Everything is put back afterwards.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <string>

class DesktopEnvironment {
public:
    DesktopEnvironment() {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS",
                                 "XDG_CURRENT_DESKTOP", "PATH", "DISPLAY", "WAYLAND_DISPLAY"})
            saved_[name] = qgetenv(name);
        QDir(root.path()).mkpath(QStringLiteral("config"));
        QDir(root.path()).mkpath(QStringLiteral("data/applications"));
        QDir(root.path()).mkpath(QStringLiteral("bin"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(QStringLiteral("config"))));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root.filePath(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
        // The system's data stays reachable after ours: the MIME database lives there.
        const QByteArray systemData = saved_["XDG_DATA_DIRS"].isEmpty() ? QByteArray("/usr/local/share:/usr/share")
                                                                         : saved_["XDG_DATA_DIRS"];
        qputenv("XDG_DATA_DIRS", QFile::encodeName(root.filePath(QStringLiteral("data"))) + ':' + systemData);
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("PATH", QFile::encodeName(binFolder()) + ':' + saved_["PATH"]);
    }
    ~DesktopEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value.isNull())
                qunsetenv(name.c_str());
            else
                qputenv(name.c_str(), value);
        }
    }

    QTemporaryDir root;

    QString binFolder() const { return root.filePath(QStringLiteral("bin")); }

    // Makes `desktopId` the default application for `mimeType`, running `exec`.
    void setDefaultApplication(const QString& mimeType, const QString& desktopId, const QByteArray& exec,
                               bool terminal = false) const {
        write(QStringLiteral("config/mimeapps.list"),
              "[Default Applications]\n" + mimeType.toUtf8() + '=' + desktopId.toUtf8() + ";\n");
        write(QStringLiteral("data/applications/") + desktopId,
              "[Desktop Entry]\nType=Application\nName=Test\nExec=" + exec + "\nTerminal=" +
                  (terminal ? "true" : "false") + "\n");
    }

    // Copies the files of `source` to the installed share folder's `name`
    // folder, where the program finds the files it ships; returns that folder.
    QString installShared(const QString& source, const QString& name) const {
        const QString folder = root.filePath(QStringLiteral("data/ravelin/") + name);
        QDir().mkpath(folder);
        for (const QString& file : QDir(source).entryList(QDir::Files))
            QFile::copy(source + QChar('/') + file, folder + QChar('/') + file);
        return folder;
    }

    // Puts an executable script named `name` in the PATH's first folder.
    QString addProgram(const QString& name, const QByteArray& script = "#!/bin/sh\nexit 0\n") const {
        const QString path = binFolder() + QChar('/') + name;
        write(QStringLiteral("bin/") + name, script);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    void write(const QString& relative, const QByteArray& bytes) const {
        QFile f(root.filePath(relative));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }

private:
    std::map<std::string, QByteArray> saved_;
};
