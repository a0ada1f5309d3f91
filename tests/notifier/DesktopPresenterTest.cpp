#include "NotifierTestSupport.h"
#include "support/TestSupport.h"

#include "notifier/DesktopPresenter.h"

#include <QDBusArgument>
#include <QDir>

namespace fetemark {
namespace {

using test::StandInServer;

// Whatever the launcher entry announces, as a listener on the bus sees it.
class BadgeListener : public QObject {
    Q_OBJECT
public:
    QList<QVariantList> updates;
public slots:
    void onUpdate(const QString& appUri, const QVariantMap& properties)
    {
        updates.append({appUri, properties});
    }
};

class DesktopPresenterTest : public testing::Test {
protected:
    void TearDown() override { QDBusConnection::disconnectFromBus(m_bus.name()); }
    DesktopPresenter::Options options() const
    {
        return {{m_dir.file(QStringLiteral("installed")), m_dir.file(QStringLiteral("source"))},
            {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                QStringLiteral("echo opened >> '%1'").arg(windowLog())}};
    }
    QString windowLog() const { return m_dir.file(QStringLiteral("window.log")); }
    void addSound(const QString& relativePath)
    {
        const QString path = m_dir.file(relativePath);
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(test::writeFile(path, "RIFF"));
    }

    test::TempDir m_dir;
    StandInServer m_server {m_dir.file(QStringLiteral("calls.jsonl"))};
    QDBusConnection m_bus = test::ownSessionConnection(QStringLiteral("presenter"));
};

struct AlertRow {
    const char* name;
    const char* capabilities;
    const char* body;
    const char* soundName;
    std::vector<const char*> soundFiles; // below the test folder
    const char* expectedBody;
    const char* hintName; // besides "desktop-entry"
    QJsonValue hintValue; // "@" stands for the test folder
};

void PrintTo(const AlertRow& row, std::ostream* os)
{
    *os << row.name;
}

class DesktopPresenterAlertTest : public DesktopPresenterTest,
                                  public testing::WithParamInterface<AlertRow> { };

TEST_P(DesktopPresenterAlertTest, NotifiesWithBodyActionAndHints)
{
    const AlertRow& row = GetParam();
    for (const char* file : row.soundFiles)
        addSound(QString::fromUtf8(file));
    ASSERT_TRUE(m_server.start(QString::fromLatin1(row.capabilities)));
    DesktopPresenter presenter(m_bus, options());
    LocalNotification alert {test::utc("2026-03-05T09:00:00Z"), QStringLiteral("Europe/Berlin"),
        QString::fromUtf8(row.body), QString::fromUtf8(row.soundName), 0};
    QString error;
    ASSERT_TRUE(presenter.showAlert(alert, &error)) << error.toStdString();

    const QList<QJsonObject> notify = m_server.calls(QStringLiteral("Notify"));
    ASSERT_EQ(notify.size(), 1);
    EXPECT_EQ(notify[0][QStringLiteral("signature")].toString(), QStringLiteral("susssasa{sv}i"));
    QJsonValue hintValue = row.hintValue;
    if (hintValue.isString())
        hintValue = hintValue.toString().replace(u'@', m_dir.path());
    const QJsonArray expected {QStringLiteral("Fetemark"), 0,
        QStringLiteral("org.fetemark.Fetemark"), QStringLiteral("Fetemark"),
        QString::fromUtf8(row.expectedBody),
        QJsonArray {QStringLiteral("default"), QStringLiteral("Open Fetemark")},
        QJsonObject {{QStringLiteral("desktop-entry"), QStringLiteral("org.fetemark.Fetemark")},
            {QString::fromLatin1(row.hintName), hintValue}},
        -1};
    EXPECT_EQ(notify[0][QStringLiteral("args")].toArray(), expected);
}

const char* const Plain = "actions,body";
const char* const Markup = "actions,body,body-markup";
INSTANTIATE_TEST_SUITE_P(Rows, DesktopPresenterAlertTest,
    testing::Values(AlertRow {"SilentPlainServer", Plain, "Anna & <Bo> \"x\"", "", {},
                        "Anna & <Bo> \"x\"", "suppress-sound", true},
        AlertRow {"SilentMarkupServer", Markup, "Anna & <Bo> \"x\"", "", {},
            "Anna &amp; &lt;Bo&gt; \"x\"", "suppress-sound", true},
        AlertRow {"SoundInstalled", Plain, "Today", "3.wav", {"installed/3.wav", "source/3.wav"},
            "Today", "sound-file", QStringLiteral("@/installed/3.wav")},
        AlertRow {"SoundInSourceTree", Plain, "Today", "3.wav", {"source/3.wav"}, "Today",
            "sound-file", QStringLiteral("@/source/3.wav")},
        AlertRow {"SoundMissing", Plain, "Today", "7.wav", {"source/3.wav"}, "Today", "sound-name",
            QStringLiteral("message-new-instant")},
        AlertRow {"SoundNameLeavingItsFolder", Plain, "Today", "../source/3.wav", {"source/3.wav"},
            "Today", "sound-name", QStringLiteral("message-new-instant")}),
    test::RowName());

TEST_F(DesktopPresenterTest, BadgeIsAnnouncedAndAnswered)
{
    BadgeListener listener;
    ASSERT_TRUE(QDBusConnection::sessionBus().connect(QString(),
        QString::fromLatin1(LauncherEntry::ObjectPath),
        QString::fromLatin1(LauncherEntry::Interface), QStringLiteral("Update"), &listener,
        SLOT(onUpdate(QString, QVariantMap))));
    DesktopPresenter presenter(m_bus, options());
    const QString uri = QStringLiteral("application://org.fetemark.Fetemark.desktop");
    for (const int count : {3, 0}) {
        SCOPED_TRACE(count);
        listener.updates.clear();
        ASSERT_TRUE(presenter.showBadge(count));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !listener.updates.isEmpty(); }, 10000));
        const QVariantMap expected {{QStringLiteral("count"), QVariant::fromValue<qint64>(count)},
            {QStringLiteral("count-visible"), count > 0}};
        EXPECT_EQ(listener.updates[0], (QVariantList {uri, expected}));
        EXPECT_EQ(listener.updates[0][1].toMap()[QStringLiteral("count")].metaType(),
            QMetaType::fromType<qlonglong>());

        const QDBusMessage reply = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(m_bus.baseService(),
                QString::fromLatin1(LauncherEntry::ObjectPath),
                QString::fromLatin1(LauncherEntry::Interface), QStringLiteral("Query")),
            QDBus::BlockWithGui);
        ASSERT_EQ(reply.signature(), QStringLiteral("sa{sv}"))
            << reply.errorMessage().toStdString();
        EXPECT_EQ(reply.arguments()[0].toString(), uri);
        EXPECT_EQ(qdbus_cast<QVariantMap>(reply.arguments()[1]), expected);
    }
}

TEST_F(DesktopPresenterTest, DefaultActionOnOurAlertOpensTheWindow)
{
    ASSERT_TRUE(m_server.start(QString::fromLatin1(Plain)));
    DesktopPresenter presenter(m_bus, options());
    ASSERT_TRUE(presenter.showAlert(
        {test::utc("2026-03-05T09:00:00Z"), {}, QStringLiteral("Today"), {}, 0}));
    const uint ours = 1; // the stand-in numbers its notifications from 1
    ASSERT_TRUE(m_server.invokeAction(ours + 1, QStringLiteral("default")));
    ASSERT_TRUE(m_server.invokeAction(ours, QStringLiteral("snooze")));
    ASSERT_TRUE(m_server.invokeAction(ours, QStringLiteral("default")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(windowLog()); }, 15000));
    QTest::qWait(500);
    EXPECT_EQ(test::readFile(windowLog()), "opened\n");
}

TEST_F(DesktopPresenterTest, FailsClearlyWithoutServerOrBus)
{
    const LocalNotification alert {
        test::utc("2026-03-05T09:00:00Z"), {}, QStringLiteral("Today"), {}, 0};
    QString error;
    DesktopPresenter noServer(m_bus, options());
    EXPECT_FALSE(noServer.showAlert(alert, &error));
    EXPECT_TRUE(
        error.startsWith(QStringLiteral("the desktop notification service is not available")))
        << error.toStdString();

    const QDBusConnection noBus = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=%1").arg(m_dir.file(QStringLiteral("no-bus"))),
        QStringLiteral("no-bus"));
    DesktopPresenter presenter(noBus, options());
    EXPECT_FALSE(presenter.showAlert(alert, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("no D-Bus session bus"))) << error.toStdString();
    EXPECT_FALSE(presenter.showBadge(2, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("no D-Bus session bus"))) << error.toStdString();
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
}

} // namespace
} // namespace fetemark

#include "DesktopPresenterTest.moc"
