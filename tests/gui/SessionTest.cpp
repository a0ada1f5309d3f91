// The session the window runs in: what it takes for a change by another program, when it
// says the day may have changed, and what it does when the application moves out of
// sight.
#include "GuiFixture.h"

#include "platform/addressbook/AddressBook.h"
#include "platform/time/WakeSource.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace fetemark::test {
namespace {

class ManualWakeSource : public WakeSource {
public:
    void wakeAt(const QDateTime& moment) override { asked << moment; }
    QList<QDateTime> asked;
};

class SessionTest : public GuiFixture {
public:
    QString dataPath() const { return m_dir.path(); }
    void startSession()
    {
        RunEnvironment environment;
        environment.device =
            DeviceEnvironment::fromVariables({}, QString::fromLatin1(Zone), u"en_US"_s);
        calendar = std::make_unique<Calendar>(environment.device.timeZoneId);
        auto fixed = std::make_unique<FixedClock>(
            FixedClock::parseLocalTime(QString::fromLatin1(Now), *calendar));
        clock = fixed.get();
        environment.clock = std::move(fixed);
        environment.dataDirectory = m_dir.path();
        session = std::make_unique<ApplicationSession>(std::move(environment));
        auto wake = std::make_unique<ManualWakeSource>();
        wakes = wake.get();
        session->setWakeSource(std::move(wake));
        QString error;
        ASSERT_TRUE(session->start(&error)) << error.toStdString();
        session->database().loadDatabase();
    }
    void TearDown() override
    {
        if (session)
            session->terminate();
        session.reset();
        GuiFixture::TearDown();
    }
    void runCommand(const QStringList& args) const
    {
        const CommandResult result = fetemark(args);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    }
    QDateTime local(const char* text) const
    {
        return FixedClock::parseLocalTime(QString::fromLatin1(text), *calendar);
    }

    std::unique_ptr<Calendar> calendar;
    std::unique_ptr<ApplicationSession> session;
    FixedClock* clock = nullptr;
    ManualWakeSource* wakes = nullptr;
    TempDir cardDir;
};

const QByteArray Card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna;;;\r\nFN:Anna Berg\r\n"
                        "UID:anna-1\r\nBDAY:1990-05-01\r\nEND:VCARD\r\n";

struct ChangeRow {
    const char* name;
    std::function<void(SessionTest&)> change;
    bool reloads;
};

class SessionDataChanges : public SessionTest, public ::testing::WithParamInterface<ChangeRow> { };

// Another program's change reloads the list; the window's own saves do not.
TEST_P(SessionDataChanges, ReloadOnlyForOtherPrograms)
{
    startSession();
    QSignalSpy reloads(session.get(), &ApplicationSession::dataChangedElsewhere);
    GetParam().change(*this);
    if (GetParam().reloads)
        EXPECT_TRUE(reloads.wait(5000));
    else
        EXPECT_FALSE(reloads.wait(1500));
}

INSTANTIATE_TEST_SUITE_P(Rows, SessionDataChanges,
    ::testing::Values(ChangeRow {"SettingsSetByTheCommand",
                          [](SessionTest& t) {
                              t.runCommand({u"settings"_s, u"set"_s, u"show-age"_s, u"NO"_s});
                          },
                          true},
        ChangeRow {"SettingsSavedByTheWindow",
            [](SessionTest& t) {
                t.session->settings().setValue(u"showage"_s, false);
                t.session->settings().synchronize();
            },
            false},
        ChangeRow {"EntryAddedByTheCommand",
            [](SessionTest& t) {
                t.runCommand(
                    {u"custom"_s, u"add"_s, u"--name"_s, u"Ida"_s, u"--date"_s, u"1990-05-01"_s});
            },
            true},
        ChangeRow {"ContactsImportedByTheCommand",
            [](SessionTest& t) {
                const QString card = QDir(t.cardDir.path()).filePath(u"anna.vcf"_s);
                QFile file(card);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                file.write(Card);
                file.close();
                t.runCommand({u"contacts"_s, u"import"_s, card});
            },
            true},
        ChangeRow {"ContactSavedByTheWindow",
            [](SessionTest& t) {
                auto book =
                    AddressBook::create(QDir(t.dataPath()).filePath(u"AddressBook.sqlite"_s));
                ASSERT_TRUE(book);
                Person person;
                person.firstName = u"Own"_s;
                ASSERT_GT(book->addPerson(person), 0);
                ASSERT_TRUE(book->save());
            },
            false}),
    RowName());

} // namespace
} // namespace fetemark::test

namespace fetemark::test {
namespace {

struct WakeRow {
    const char* name;
    const char* clockThen; // the clock when the wake comes
    const char* armedThen; // the midnight asked for after it
};

class SessionTimeChanges : public SessionTest, public ::testing::WithParamInterface<WakeRow> { };

// Every wake may be another day (midnight, clock set, zone changed, resume); the next
// local midnight is asked for whenever the day moved on.
TEST_P(SessionTimeChanges, WakeSaysTheDayMayHaveChanged)
{
    startSession();
    ASSERT_EQ(wakes->asked, QList<QDateTime> {local("2026-03-02T00:00")});
    QSignalSpy changes(session.get(), &ApplicationSession::significantTimeChange);
    clock->set(local(GetParam().clockThen));
    emit wakes->wake();
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(wakes->asked.last(), local(GetParam().armedThen));
}

INSTANTIATE_TEST_SUITE_P(Rows, SessionTimeChanges,
    ::testing::Values(WakeRow {"MidnightPassed", "2026-03-02T00:00", "2026-03-03T00:00"},
        WakeRow {"ClockSetDaysAhead", "2026-03-28T09:00", "2026-03-29T00:00"},
        WakeRow {"IntoTheSummerTimeNight", "2026-03-29T00:00", "2026-03-30T00:00"},
        WakeRow {"SameDayZoneOrResume", "2026-03-01T18:00", "2026-03-02T00:00"}),
    RowName());

TEST_F(SessionTest, ActivityChangesRunTheApplicationStepsOnce)
{
    startSession();
    QSignalSpy resign(session.get(), &ApplicationSession::willResignActive);
    QSignalSpy background(session.get(), &ApplicationSession::didEnterBackground);
    QSignalSpy active(session.get(), &ApplicationSession::didBecomeActive);
    using Activity = ApplicationSession::Activity;
    for (const Activity activity : {Activity::Inactive, Activity::Inactive, Activity::Background,
             Activity::Active, Activity::Background})
        session->setActivity(activity);
    EXPECT_EQ(resign.size(), 2);
    EXPECT_EQ(background.size(), 2);
    EXPECT_EQ(active.size(), 1);
}

TEST_F(SessionTest, ProblemsFoundAtTheStartArriveOnceTheLoopRuns)
{
    QFile damaged(QDir(m_dir.path()).filePath(u"CustomEntries.plist"_s));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a property list");
    damaged.close();
    startSession();
    QSignalSpy problems(session.get(), &ApplicationSession::problemsArrived);
    ASSERT_TRUE(problems.wait(2000));
    EXPECT_FALSE(problems.at(0).at(0).toStringList().isEmpty());
}

} // namespace
} // namespace fetemark::test
