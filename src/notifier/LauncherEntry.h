#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace fetemark {

// The launcher badge as docks and panels read it: the Update signal of
// com.canonical.Unity.LauncherEntry, and the Query method that a launcher started later
// asks for the current state.
class LauncherEntry : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.Unity.LauncherEntry")
public:
    static constexpr const char* Interface = "com.canonical.Unity.LauncherEntry";
    static constexpr const char* ObjectPath = "/org/fetemark/Fetemark/LauncherEntry";
    static constexpr const char* ApplicationUri = "application://org.fetemark.Fetemark.desktop";

    explicit LauncherEntry(QDBusConnection bus, QObject* parent = nullptr);
    ~LauncherEntry() override;

    // Registers the object on the bus; false, with `error`, when the bus is not there or
    // the path is taken.
    bool registerOnBus(QString* error);
    // Remembers the count and announces it; a count above 0 shows the badge.
    bool setCount(int count, QString* error);

    QVariantMap properties() const;

public slots:
    // Answers (app_uri, properties); QtDBus sends the reference argument as an output.
    Q_SCRIPTABLE QString Query(QVariantMap& properties) const;

private:
    QDBusConnection m_bus;
    bool m_registered = false;
    qint64 m_count = 0;
};

} // namespace fetemark
