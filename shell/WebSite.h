#pragma once
// The developer's web site, opened in the default browser.
#include <QString>

// The address the build was given (RAVELIN_WEB_SITE).
QString webSiteAddress();

// Opens the web site; any failure is silent.
void openWebSite();
