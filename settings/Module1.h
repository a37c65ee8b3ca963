#pragma once
// Points the user name database window at the path in the settings window's
// txtDB and has it reload its list.
class frmData;
class frmSettings;

namespace Module1 {
void ConnectUserDB(const frmSettings& settings, frmData& data);
}
