#include "ProviderReachability.h"

#include <QNetworkInformation>
#include <QNetworkInterface>

namespace fetemark {

namespace {

bool backendLoaded()
{
    // Loading is attempted once per process; a failed load stays failed.
    static const bool loaded =
        QNetworkInformation::instance() != nullptr || QNetworkInformation::loadDefaultBackend();
    return loaded && QNetworkInformation::instance() != nullptr;
}

} // namespace

int ProviderReachability::localWiFiConnectionStatus()
{
    if (!backendLoaded())
        return interfaceStatus();
    const QNetworkInformation* info = QNetworkInformation::instance();
    using R = QNetworkInformation::Reachability;
    using T = QNetworkInformation::TransportMedium;
    const R reach = info->reachability();
    if (reach == R::Unknown)
        return interfaceStatus();
    const bool up = reach == R::Online || reach == R::Site || reach == R::Local;
    const T medium = info->transportMedium();
    return up && medium != T::Cellular && medium != T::Bluetooth ? ReachableViaWiFi : NotReachable;
}

int ProviderReachability::interfaceStatus()
{
    using I = QNetworkInterface;
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        const auto flags = iface.flags();
        if (!flags.testFlag(I::IsUp) || !flags.testFlag(I::IsRunning) ||
            flags.testFlag(I::IsLoopBack))
            continue;
        const I::InterfaceType type = iface.type();
        if (type == I::Ppp || type == I::Ieee80216 || type == I::Phonet)
            continue;
        return ReachableViaWiFi;
    }
    return NotReachable;
}

} // namespace fetemark
