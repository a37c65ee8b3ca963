#include "settings/UserDatabaseConnection.h"

#include "settings/SettingsWindow.h"
#include "usernames/UserNameWindow.h"

#include <QLineEdit>

void connectUserDatabase(const SettingsWindow& settings, UserNameWindow& data) {
    data.recordSource.DatabaseName = settings.userDatabaseEdit->text();
    data.startLoading();
}
