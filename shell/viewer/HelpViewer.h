#pragma once
// The help viewer's window, titled "Ravelin Help": the pages of one help
// folder with contents, back and forward, and a search over every page.
#include <QMainWindow>
#include <QUrl>

class QAction;
class QLineEdit;
class QTextBrowser;

class HelpViewer : public QMainWindow {
    Q_OBJECT
public:
    // Shows `contentsPage`; the other pages are the .html files beside it.
    explicit HelpViewer(const QString& contentsPage);

    // Shows the list of pages holding every word of `words` (letter case
    // ignored), each a link to its page.
    void search(const QString& words);

private:
    QTextBrowser* browser;
    QAction* contentsAction;
    QAction* backAction;
    QAction* forwardAction;
    QLineEdit* searchBox;
    QString folder_;
};
