#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace fetemark {
class MainWindow;
}

namespace fetemark::screens {

// One screen of the catalogue: how to reach it from a freshly opened window whose list
// has loaded. `open` may push or present screens, type, scroll.
struct Screen {
    QString name; // file name part: "main-list"
    std::function<void(MainWindow&)> open;
};
// Every screen of the window, in the order a person meets them.
const std::vector<Screen>& catalogue();

// One way of looking at a screen.
struct Look {
    QString sizeName; // "phone", "desktop"
    QSize size;
    int theme;      // "applicationtheme"
    QString locale; // "en_US", "de_DE"
    QString fileName(const Screen& screen) const;
};
// The phone's and the desktop's size × the standard and a coloured theme × English and
// German.
std::vector<Look> looks();

// The fixed moment and zone every picture shows.
inline constexpr const char* Now = "2026-03-01T12:00";
inline constexpr const char* Zone = "Europe/Berlin";

// A demo data directory (filled on first use) and a window on it, made for one look.
class Stage {
public:
    // `dataDirectory` is filled with the demo data unless it holds it already.
    Stage(const QString& dataDirectory, const Look& look);
    ~Stage();
    // False with `error` set when the data or the window could not be made.
    bool isReady(QString* error) const;
    MainWindow& window();
    // The window's picture after `screen` was opened and every animation and load ended.
    QImage render(const Screen& screen);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Runs the event loop until `done` holds or `timeoutMs` passed; false on the time-out.
bool settle(const std::function<bool()>& done, int timeoutMs = 10000);

} // namespace fetemark::screens
