#pragma once
// Opens a text file in the user's text editor without waiting for it.
#include <QString>

// The editor is the desktop's default application for text/plain; when none
// is set, xdg-open. The path is passed as one argument, never through a
// shell, so blanks and quotes in it are harmless. Failures are ignored.
void openInTextEditor(const QString& path);
