#pragma once
// The version of this build, in the form major.minor.0.revision: major and
// minor from the project's version, the revision a number the build sets.
#include <QString>
#include <QVersionNumber>

QVersionNumber buildVersion();

// "Version major.minor (Build: revision)" for a version major.minor.0.revision.
QString versionCaption(const QVersionNumber& version);
