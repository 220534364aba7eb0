#include "app/show_status.h"

#include "app/kiv_app.h"
#include "app/show_driver.h"
#include "framework/app.h"

std::wstring ShowStatusLine() {
    auto* app = dynamic_cast<CKIVApp*>(AfxGetApp());
    CShowDriver* driver = app ? app->ShowDriver() : nullptr;
    return driver ? driver->StatusLine() : L"Ничего не играет. Программа ещё запускается";
}
