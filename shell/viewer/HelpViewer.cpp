#include "shell/viewer/HelpViewer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextBrowser>
#include <QStyle>
#include <QTextDocument>
#include <QToolBar>

#include <algorithm>

namespace {

// The plain text and the title of a help page.
struct Page {
    QString title;
    QString text;
};

Page readPage(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(f.readAll()));
    return {doc.metaInformation(QTextDocument::DocumentTitle), doc.toPlainText()};
}

// Pages with the scheme "search:" are made on demand: the list of the help
// pages holding the words after the colon. So a search joins the history
// like any page, and Back returns from it.
class SearchingBrowser : public QTextBrowser {
public:
    SearchingBrowser(QString folder, QWidget* parent) : QTextBrowser(parent), folder_(std::move(folder)) {}

    QVariant loadResource(int type, const QUrl& name) override {
        if (name.scheme() == QStringLiteral("search"))
            return results(name.path());
        return QTextBrowser::loadResource(type, name);
    }

private:
    QString results(const QString& words) const {
        const QStringList terms = words.simplified().split(QChar(' '), Qt::SkipEmptyParts);
        QString html = QStringLiteral("<html><head><title>Search</title></head><body><h1>Search: %1</h1><ul>")
                           .arg(words.simplified().toHtmlEscaped());
        int found = 0;
        const QStringList pages = QDir(folder_).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        for (const QString& name : pages) {
            const Page page = readPage(folder_ + QChar('/') + name);
            const bool all = std::all_of(terms.begin(), terms.end(),
                                         [&](const QString& t) { return page.text.contains(t, Qt::CaseInsensitive); });
            if (!all)
                continue;
            ++found;
            const QUrl url = QUrl::fromLocalFile(folder_ + QChar('/') + name);
            html += QStringLiteral("<li><a href=\"%1\">%2</a></li>")
                        .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                             (page.title.isEmpty() ? name : page.title).toHtmlEscaped());
        }
        html += QStringLiteral("</ul>");
        if (found == 0)
            html += QStringLiteral("<p>No page holds these words.</p>");
        return html + QStringLiteral("</body></html>");
    }

    QString folder_;
};

}  // namespace

HelpViewer::HelpViewer(const QString& contentsPage) : folder_(QFileInfo(contentsPage).absolutePath()) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Ravelin Help"));
    resize(760, 560);

    browser = new SearchingBrowser(folder_, this);
    browser->setObjectName(QStringLiteral("browser"));
    browser->setOpenExternalLinks(true);
    browser->setSearchPaths({folder_});
    setCentralWidget(browser);

    auto* bar = addToolBar(QStringLiteral("Navigation"));
    bar->setMovable(false);
    contentsAction = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("&Contents"));
    backAction = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("&Back"));
    forwardAction = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("&Forward"));
    contentsAction->setObjectName(QStringLiteral("contentsAction"));
    backAction->setObjectName(QStringLiteral("backAction"));
    forwardAction->setObjectName(QStringLiteral("forwardAction"));
    backAction->setShortcut(QKeySequence::Back);
    forwardAction->setShortcut(QKeySequence::Forward);
    backAction->setEnabled(false);
    forwardAction->setEnabled(false);
    bar->addSeparator();
    searchBox = new QLineEdit(bar);
    searchBox->setObjectName(QStringLiteral("searchBox"));
    searchBox->setPlaceholderText(QStringLiteral("Search the help"));
    searchBox->setClearButtonEnabled(true);
    bar->addWidget(searchBox);

    const QUrl home = QUrl::fromLocalFile(QFileInfo(contentsPage).absoluteFilePath());
    connect(contentsAction, &QAction::triggered, browser, [this, home] { browser->setSource(home); });
    connect(backAction, &QAction::triggered, browser, &QTextBrowser::backward);
    connect(forwardAction, &QAction::triggered, browser, &QTextBrowser::forward);
    connect(browser, &QTextBrowser::backwardAvailable, backAction, &QAction::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, forwardAction, &QAction::setEnabled);
    connect(searchBox, &QLineEdit::returnPressed, this, [this] { search(searchBox->text()); });
    browser->setSource(home);
}

void HelpViewer::search(const QString& words) {
    if (words.simplified().isEmpty())
        return;
    QUrl url;
    url.setScheme(QStringLiteral("search"));
    url.setPath(words.simplified());
    browser->setSource(url, QTextDocument::HtmlResource);
}
