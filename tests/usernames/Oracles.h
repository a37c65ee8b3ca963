#pragma once
// The table T_Main of a file as two independent readers see it, mdb-export
// (mdbtools) and the npm package mdb-reader: one "ComputerName|Name|Contact|
// Email" line per record in stored order, "~" for Null. A reader that fails
// gives its error output instead, so that a comparison shows it. And the
// engine's own consistency check of the file.
#include <QDir>
#include <QProcess>
#include <QStringList>

namespace oracle {

inline QString run(const QString& program, const QStringList& args, const QString& workingDir = {}) {
    QProcess p;
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("failed: ") + program + ' ' + QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

// What ravelin-jet check finds wrong in the file: nothing, for a sound one.
inline QString checkFindings(const QString& path) {
    QProcess p;
    p.start(QStringLiteral(RAVELIN_BINARY_DIR "/ravelin-jet"), {QStringLiteral("check"), path});
    if (!p.waitForFinished(60000))
        return QStringLiteral("ravelin-jet check did not finish");
    const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitCode() == 0 ? out.trimmed() : QStringLiteral("exit %1: ").arg(p.exitCode()) + out;
}

inline QStringList mdbExportRows(const QString& path) {
    const QString out = run(QStringLiteral("mdb-export"),
                            {"-H", "-Q", "-d", "|", "-0", "~", path, "T_Main"});
    return out.split('\n', Qt::SkipEmptyParts);
}

inline QStringList mdbReaderRows(const QString& path) {
    static const QString script = QStringLiteral(
        "import { readFileSync } from 'node:fs'; import MDBReader from 'mdb-reader';"
        "const t = new MDBReader(readFileSync(process.argv[1])).getTable('T_Main');"
        "for (const r of t.getData()) console.log(['ComputerName','Name','Contact','Email']"
        ".map(c => r[c] === null ? '~' : r[c]).join('|'));");
    const QString oracleDir = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../jet/oracle");
    const QString out = run(QStringLiteral("node"), {"--input-type=module", "-e", script, QDir(path).absolutePath()},
                            oracleDir);
    return out.split('\n', Qt::SkipEmptyParts);
}

}  // namespace oracle
