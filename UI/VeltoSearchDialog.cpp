#include "UI/VeltoSearchDialog.h"

#include "JXUtils/JXLocalize.h"
#include "Velto/VeltoSDK.h"

#include <algorithm>

VeltoSearchDialog::VeltoSearchDialog() : JXProgressDialog(nullptr)
{
    emit _setMessage(translate(QStringLiteral("Searching devices")));
}

VeltoSearchDialog::~VeltoSearchDialog()
{
    stopRun(); // run() and interrupt() use this object's members
}

void VeltoSearchDialog::setSearchSeconds(int seconds)
{
    this->seconds = seconds;
}

QVector<VeltoDevice> VeltoSearchDialog::results() const
{
    return found;
}

void VeltoSearchDialog::run()
{
    found.clear();
    reached.store(false);
    VeltoSDK *sdk = VeltoSDK::instance();
    // Waiting for replies on a network that is gone would only look like "no devices".
    if (sdk && !isStopped() && sdk->isNetworkReachable()) {
        sdk->searchDevices(found, seconds);
        reached.store(sdk->isNetworkReachable());
    }
    std::sort(found.begin(), found.end(), VeltoDevice::lessByMac);
    // A search the operator closed was rejected already; accepting it now would turn the
    // dialog's result around after exec() returned.
    if (!isStopped())
        emit _close();
}

void VeltoSearchDialog::interrupt()
{
    if (VeltoSDK *sdk = VeltoSDK::instance())
        sdk->cancelWait();
}
