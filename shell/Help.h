#pragma once
// The program's help: HTML pages shipped beside the program (or in the
// installed share folder), shown in the help viewer, a separate program
// whose window is titled "Ravelin Help".
#include <QString>

class QWidget;

inline const QString kHelpTitle = QStringLiteral("Ravelin Help");

// The contents page of the help.
QString helpFile();
// The help viewer program: beside this program, else on the PATH; empty
// when there is none.
QString helpViewerProgram();

// The Help command: says so when the help is open already; else opens the
// help file in the viewer, and shows the "Error:" box when that failed.
void openHelp(QWidget* owner);
