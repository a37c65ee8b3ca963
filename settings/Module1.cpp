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
    frmData* data = main->data();
    data->Data1.DatabaseName = main->settings()->txtDB->text();
    data->startLoading();
}

}  // namespace Module1
