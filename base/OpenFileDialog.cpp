#include "base/OpenFileDialog.h"

#include <QFileDialog>
#include <QStringList>

namespace {

// Turns the NUL-separated description/pattern pairs into Qt's name filters.
QStringList nameFilters(const QString& filter) {
    QStringList parts = filter.split(QChar(0));
    while (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = caseInsensitivePatterns(parts[i + 1]).replace(QChar(';'), QChar(' '));
        out << parts[i] + QStringLiteral(" (") + patterns + QChar(')');
    }
    return out;
}

class QtOpenFileDialog final : public OpenFileDialog {
public:
    std::optional<QString> getOpenFileName(const OpenFileRequest& r) override {
        QFileDialog dialog(r.owner, r.title, r.initialDir);
        prepareOpenFileDialog(dialog, r);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }
};

QtOpenFileDialog qtDialog;
OpenFileDialog* current = &qtDialog;

}  // namespace

OpenFileDialog& openFileDialog() { return *current; }

void prepareOpenFileDialog(QFileDialog& dialog, const OpenFileRequest& r) {
    // Qt's own dialog, so that the case-blind patterns work the same everywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // The description already names the patterns; the case-blind ones after
    // it would only confuse.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QStringList filters = nameFilters(r.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
}

void setOpenFileDialog(OpenFileDialog* dialog) { current = dialog ? dialog : &qtDialog; }

QString caseInsensitivePatterns(const QString& patterns) {
    QString out;
    for (const QChar c : patterns) {
        const QChar lower = c.toLower();
        const QChar upper = c.toUpper();
        if (lower != upper)
            out += QStringLiteral("[") + lower + upper + QStringLiteral("]");
        else
            out += c;
    }
    return out;
}
