#include "shell/WebSite.h"

#include "shell/Launcher.h"

QString webSiteAddress() { return QStringLiteral(RAVELIN_WEB_SITE); }

void openWebSite() { (void)launcher().openDocument(webSiteAddress()); }
