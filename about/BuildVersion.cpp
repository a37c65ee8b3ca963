#include "about/BuildVersion.h"

QVersionNumber buildVersion() {
    return QVersionNumber({RAVELIN_VERSION_MAJOR, RAVELIN_VERSION_MINOR, 0, RAVELIN_BUILD_NUMBER});
}

QString versionCaption(const QVersionNumber& version) {
    return QStringLiteral("Version %1.%2 (Build: %3)")
        .arg(version.segmentAt(0))
        .arg(version.segmentAt(1))
        .arg(version.segmentAt(3));
}
