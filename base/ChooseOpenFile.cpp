#include "base/ChooseOpenFile.h"

#include "base/AppError.h"
#include "base/MessageBoxes.h"
#include "base/OpenFileDialog.h"
#include "base/Strings.h"

QString chooseOpenFile(QWidget* owner, const QString& filter, const QString& title,
                       const QString& initialDir) {
    QString result;
    const bool chosen = trapErrors(
        [&] {
            QString nulFilter = filter;
            if (!nulFilter.endsWith(QChar('|')))
                nulFilter += QChar('|');
            nulFilter.replace(QChar('|'), QChar(0));
            // The text's own terminating NUL is the second one of the pair.
            nulFilter += QChar(0);

            const auto buffer = openFileDialog().getOpenFileName({owner, nulFilter, title, initialDir});
            if (!buffer)
                return;
            result = trimBlanks(*buffer);
            if (result.endsWith(QChar(0)))
                result.chop(1);
        },
        [&](const AppError& e) {
            msgBox(owner, e.description() + QStringLiteral(" [") + QString::number(e.number()) + QChar(']'),
                   MsgIcon::Critical);
        });
    return chosen ? result : QString();
}
