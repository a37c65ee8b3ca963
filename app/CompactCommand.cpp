// "Compact and Repair...": the selected database, once nobody uses it,
// repaired and compacted in place on a thread of its own behind a progress
// dialog, with the database as it was kept in a backup beside it; what could
// not be recovered is listed when it is done. A database encrypted with a
// password is opened with the password the window holds.
#include "app/MainWindow.h"

#include "base/AppError.h"
#include "base/MessageBoxes.h"
#include "maintenance/CompactAndRepair.h"

#include <QAction>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressDialog>
#include <QThread>

#include <exception>
#include <optional>

namespace {

const QString kTitle = QStringLiteral("Compact and Repair");

// Whether the database can be compacted now: a file, and nobody connected.
// A lock file that can't be read leaves the command enabled: the compaction
// looks again and refuses while anyone uses the database.
bool compactable(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    try {
        return !maintenance::hasConnectedUsers(path);
    } catch (...) {
        return true;
    }
}

}  // namespace

void MainWindow::updateCompactAction() { compactAction->setEnabled(compactable(selectedDatabasePath())); }

void MainWindow::compactAndRepair() {
    runCommand(this, [this] {
        const QString path = selectedDatabasePath();
        if (path.isEmpty()) {
            msgBox(this, QStringLiteral("You must select a database"), MsgIcon::Information, MsgButtons::Ok,
                   QStringLiteral("No Database Selected"));
            return;
        }
        if (maintenance::hasConnectedUsers(path)) {
            updateCompactAction();
            msgBox(this,
                   QStringLiteral("'%1' is in use. It can be compacted and repaired once every user has left it.")
                       .arg(path),
                   MsgIcon::Exclamation, MsgButtons::Ok, kTitle);
            return;
        }
        const QString question = QStringLiteral("Compact and repair the database '%1'?\n\nThe database as it is now "
                                                "is kept in '%2'.")
                                     .arg(path, maintenance::backupPathFor(path));
        if (msgBox(this, question, MsgIcon::Question, MsgButtons::YesNo, kTitle) != MsgAnswer::Yes)
            return;

        constexpr int kSteps = 1000;
        QProgressDialog progress(QStringLiteral("Compacting '%1'...").arg(path), QString(), 0, kSteps, this);
        progress.setWindowTitle(kTitle);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setAutoReset(false);  // the copy is checked after its last row
        progress.setAutoClose(false);
        progress.show();
        std::optional<maintenance::CompactOutcome> outcome;
        std::exception_ptr failure;
        const QString password = passwordEdit->text();
        QThread* worker = QThread::create([&] {
            try {
                outcome = maintenance::compactWithBackup(path, password, [&](std::uint64_t done, std::uint64_t total) {
                    const int step = total == 0 ? kSteps : static_cast<int>(done * kSteps / total);
                    // The dialog is the context: a step still queued when it goes is dropped.
                    QMetaObject::invokeMethod(&progress, [&progress, step] { progress.setValue(step); },
                                              Qt::QueuedConnection);
                });
            } catch (...) {
                failure = std::current_exception();
            }
        });
        QEventLoop waiting;
        connect(worker, &QThread::finished, &waiting, &QEventLoop::quit);
        worker->start();
        waiting.exec();
        worker->wait();
        delete worker;
        progress.close();
        updateCompactAction();
        if (failure)
            std::rethrow_exception(failure);
        QString text = QStringLiteral("'%1' was compacted and repaired: %2 tables and %3 rows copied. The database "
                                      "as it was is kept in '%4'.")
                           .arg(path)
                           .arg(outcome->tables)
                           .arg(outcome->rows)
                           .arg(outcome->backupPath);
        constexpr qsizetype kLinesShown = 20;
        if (!outcome->lost.isEmpty())
            text += QStringLiteral("\n\nNot recovered:\n") + outcome->lost.mid(0, kLinesShown).join(QChar('\n')) +
                    (outcome->lost.size() > kLinesShown
                         ? QStringLiteral("\n... and %1 more.").arg(outcome->lost.size() - kLinesShown)
                         : QString());
        msgBox(this, text, outcome->lost.isEmpty() ? MsgIcon::Information : MsgIcon::Exclamation, MsgButtons::Ok,
               kTitle);
    });
}
