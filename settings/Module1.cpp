#include "settings/Module1.h"

#include "app/frmMain.h"
#include "settings/frmSettings.h"
#include "usernames/frmData.h"

#include <QLineEdit>

namespace Module1 {

void ConnectUserDB() {
    frmMain* main = frmMain::instance();
    if (!main)
        return;
    main->data()->Data1DatabaseName = main->settings()->txtDB->text();
}

}  // namespace Module1
