#pragma once
// Points the user name database window at the path in the settings window's
// txtDB and has it reload its list.
namespace Module1 {
void ConnectUserDB();
}
