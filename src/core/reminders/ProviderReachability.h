#pragma once

#include <QObject>

namespace fetemark {

// Whether the reminder service may be reached over a local Wi-Fi network, for the
// Wi-Fi-only setting ("1100"). Asked right before each request; nothing is watched.
//
// With a Qt network-information backend (NetworkManager on most desktops) the answer is
// the transport medium: online or on the local network, and neither a cellular nor a
// Bluetooth link (Qt 6.4 cannot yet tell a metered link). Without one it falls back to the interfaces: an interface that is up
// and running, not the loopback and not of a mobile kind (PPP as modems use it, WiMAX, phone link). A
// wired link counts as Wi-Fi: what the setting guards against is paid mobile data.
class ProviderReachability {
public:
    enum Status : int { NotReachable = 0, ReachableViaWWAN = 1, ReachableViaWiFi = 2 };

    // 2 when a local Wi-Fi network is reachable, else 0.
    static int localWiFiConnectionStatus();
    // The interfaces' answer alone (the fallback), for when no backend loads.
    static int interfaceStatus();
};

} // namespace fetemark
