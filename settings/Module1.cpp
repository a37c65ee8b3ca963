#include "settings/Module1.h"

#include "settings/frmSettings.h"
#include "usernames/frmData.h"

#include <QLineEdit>

namespace Module1 {

void ConnectUserDB(const frmSettings& settings, frmData& data) {
    data.Data1.DatabaseName = settings.txtDB->text();
    data.startLoading();
}

}  // namespace Module1
