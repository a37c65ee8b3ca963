// The help viewer's window over the shipped pages: navigation, search, and
// links that lead somewhere.
#include "shell/viewer/HelpViewer.h"

#include <QAction>
#include <QDir>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

const QString kPages = QStringLiteral(RAVELIN_HELP_PAGES);

TEST(HelpViewer, SearchListsThePagesAndBackReturns) {
    HelpViewer viewer(kPages + QStringLiteral("/index.html"));
    const auto* browser = viewer.findChild<QTextBrowser*>(QStringLiteral("browser"));
    auto* const contentsAction = viewer.findChild<QAction*>(QStringLiteral("contentsAction"));
    auto* const backAction = viewer.findChild<QAction*>(QStringLiteral("backAction"));
    auto* const forwardAction = viewer.findChild<QAction*>(QStringLiteral("forwardAction"));
    ASSERT_TRUE(browser && contentsAction && backAction && forwardAction);
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Ravelin Help"));
    EXPECT_EQ(browser->documentTitle(), QStringLiteral("Contents"));

    viewer.search(QStringLiteral("POSIX locking"));
    const QString results = browser->toHtml();
    EXPECT_TRUE(results.contains(QStringLiteral("troubleshooting.html"))) << results.toStdString();
    EXPECT_FALSE(results.contains(QStringLiteral("commands.html")));
    EXPECT_TRUE(backAction->isEnabled());

    backAction->trigger();
    EXPECT_EQ(browser->documentTitle(), QStringLiteral("Contents"));
    EXPECT_TRUE(forwardAction->isEnabled());

    viewer.search(QStringLiteral("nosuchwordanywhere"));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("No page holds these words.")));
    contentsAction->trigger();
    EXPECT_EQ(browser->documentTitle(), QStringLiteral("Contents"));
}

TEST(HelpViewer, EveryPageHasATitleAndItsLinksLeadToPages) {
    const QRegularExpression link(QStringLiteral("href=\"([^\"#:]+)\""));
    for (const QString& name : QDir(kPages).entryList({QStringLiteral("*.html")}, QDir::Files)) {
        QFile f(kPages + QChar('/') + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        QTextDocument doc;
        doc.setHtml(html);
        // A browser showing the page takes its title: one holding the viewer's
        // would be closed with the viewer at exit.
        const QString title = doc.metaInformation(QTextDocument::DocumentTitle);
        EXPECT_FALSE(title.isEmpty()) << name.toStdString();
        EXPECT_FALSE(title.contains(QStringLiteral("Ravelin Help"))) << name.toStdString();
        for (auto m = link.globalMatch(html); m.hasNext();) {
            const QString target = m.next().captured(1);
            EXPECT_TRUE(QFile::exists(kPages + QChar('/') + target)) << name.toStdString() << " -> "
                                                                      << target.toStdString();
        }
    }
}

}  // namespace
