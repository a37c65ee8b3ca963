#pragma once
// Points the user name database window at the path in the settings window's
// userDatabaseEdit and has it reload its list.
class UserNameWindow;
class SettingsWindow;

void connectUserDatabase(const SettingsWindow& settings, UserNameWindow& data);
