#pragma once
// The system's open-file dialog, the one thing the file chooser needs from
// the platform. It is a seam so that tests can answer it.
#include <QString>

#include <optional>

class QFileDialog;
class QWidget;

struct OpenFileRequest {
    QWidget* owner = nullptr;
    // Description and pattern texts separated by NUL characters and ended by
    // two NULs, e.g. "Databases (*.mdb)\0*.mdb;*.mde\0\0".
    QString filter;
    QString title;
    QString initialDir;  // empty: the dialog's own choice
};

class OpenFileDialog {
public:
    virtual ~OpenFileDialog() = default;
    // The filled file name buffer, or nothing when the user cancelled. May
    // throw AppError when the dialog itself fails.
    virtual std::optional<QString> getOpenFileName(const OpenFileRequest& request) = 0;
};

OpenFileDialog& openFileDialog();
void setOpenFileDialog(OpenFileDialog* dialog);

// The patterns of one filter entry ("*.mdb;*.mde"), made to match file names
// without regard to letter case: "*.mdb" becomes "*.[mM][dD][bB]".
QString caseInsensitivePatterns(const QString& patterns);

// Sets up Qt's own dialog for `request` (made with its owner, title and
// folder): the patterns matched without regard to letter case, and the
// descriptions alone shown in its list of file types.
void prepareOpenFileDialog(QFileDialog& dialog, const OpenFileRequest& request);
