#include "AppDelegate.h"

#include "app/ProviderDeviceInfo.h"
#include "core/database/OccasionStore.h"
#include "core/reminders/AlertTextMeasure.h"
#include "core/reminders/NotificationCenter.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/theme/ApplicationTheme.h"
#include "core/time/Clock.h"
#include "platform/files/DataDirectoryLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <QUuid>

namespace fetemark {

AppDelegate::AppDelegate(Dependencies dependencies)
    : m_deps(std::move(dependencies)), m_gregorian(m_deps.device.timeZoneId),
      m_texts(m_deps.device.currentLanguage(), m_deps.resourceRoot)
{
}

AppDelegate::~AppDelegate()
{
    m_notificationQueue.cancelAllOperations();
    m_notificationQueue.waitUntilAllOperationsAreFinished();
}

void AppDelegate::applicationDidFinishLaunching()
{
    initialSendDone = false;
    processingAPNSRegistration = false;

    const Settings::LoadResult loaded = m_deps.settings.load();
    if (!loaded.ok)
        addWarning(loaded.warning);
    m_deps.settings.setPlatformValue(
        QString(Key::AppleLanguages), m_deps.device.preferredLanguages);
    registerAppDefaults();
    registerForNotifications();
}

void AppDelegate::registerForNotifications()
{
    lpsAvailable = m_deps.delivery == ReminderDelivery::Local;
    if (lpsAvailable || m_providerClient)
        return;
    m_providerClient = std::make_unique<ProviderClient>(
        m_deps.settings, m_deps.serviceBase, [this] { return providerSnapshot(); });
    QObject::connect(m_providerClient.get(), &ProviderClient::connectionError,
        m_providerClient.get(), [this](const QString& key) { addWarning(m_texts.text(key)); });
}

std::optional<ReminderDelivery> AppDelegate::reminderDelivery(
    const QString& configured, bool notificationCenterUsable, QString* error)
{
    if (configured == QLatin1String("service"))
        return ReminderDelivery::Service;
    if (configured.isEmpty() || configured == QLatin1String("local"))
        return notificationCenterUsable ? ReminderDelivery::Local : ReminderDelivery::Service;
    if (error)
        *error = QStringLiteral("'%1' is not a way to deliver reminders (use local or service)")
                     .arg(configured);
    return std::nullopt;
}

void AppDelegate::registerAppDefaults()
{
    Settings& settings = m_deps.settings;

    // The alert time is a time of day only; its date part is a fixed reference day
    // (the first day of 2001) in the device's zone.
    QVariantMap defaults = registeredDefaults();
    defaults.insert(QString(Key::AlertTime), m_gregorian.date(2001, 1, 1, 12, 0, 0));
    settings.registerDefaults(defaults);

    if (settings.integerValue(QString(Key::AlertTimeHour)) < 0) {
        const DateParts alert = m_gregorian.components(settings.dateValue(QString(Key::AlertTime)));
        settings.setValue(QString(Key::AlertTimeHour), qint64(alert.hour));
        settings.setValue(QString(Key::AlertTimeMinute), qint64(alert.minute));
    }

    const qint64 window = settings.integerValue(QString(Key::UpcomingWindow));
    if (window < 0)
        settings.setValue(QString(Key::UpcomingWindow), qint64(0));
    else if (window >= 32)
        settings.setValue(QString(Key::UpcomingWindow), qint64(31));

    if (settings.stringValue(QString(Key::InstallationId)).isEmpty())
        settings.setValue(QString(Key::InstallationId), getEmailUUID());

    copyCustomThemeImages();
    synchronizeSettings();
}

// The user's own theme starts from the pictures of theme 9. The copy is retried at every
// start while "ThemeBackground_100.png" is missing, so that file is written last: an
// interrupted copy is done again rather than left without the other pictures. Failures
// are not an error: the theme then shows no pictures.
void AppDelegate::copyCustomThemeImages()
{
    const QDir data(m_deps.dataDirectory);
    const QString marker = data.filePath(QStringLiteral("ThemeBackground_100.png"));
    if (m_deps.access == DataAccess::ReadOnly || QFile::exists(marker))
        return;
    const DataDirectoryLock::Holder lock(m_deps.lock, DataDirectoryLock::Mode::Exclusive);
    if (!lock.isHeld() || QFile::exists(marker))
        return;
    static const char* const names[] = {"ThemeBackground_%1_SearchBar.png",
        "ThemeBackground_%1_StartupTop.png", "ThemeIcon_%1.png", "ThemeBackground_%1.png"};
    const QDir images(m_deps.resourceRoot + QStringLiteral("/images"));
    for (const char* name : names) {
        const QString pattern = QString::fromLatin1(name);
        const QString target = data.filePath(pattern.arg(ApplicationTheme::CustomTheme));
        QFile::remove(target); // left by an interrupted copy
        if (QFile::copy(images.filePath(pattern.arg(9)), target))
            QFile::setPermissions(target,
                QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                    QFileDevice::ExeOwner); // 0700, as the own theme's pictures always were
    }
}

ApplicationTheme& AppDelegate::sharedTheme()
{
    if (!m_sharedTheme)
        m_sharedTheme = std::make_unique<ApplicationTheme>(
            m_deps.settings, m_deps.resourceRoot, m_deps.dataDirectory);
    return *m_sharedTheme;
}

ApplicationTheme& AppDelegate::standardTheme()
{
    if (!m_standardTheme) {
        m_standardTheme = std::make_unique<ApplicationTheme>(
            m_deps.settings, m_deps.resourceRoot, m_deps.dataDirectory);
        m_standardTheme->loadTheme(ApplicationTheme::StandardTheme, false);
    }
    return *m_standardTheme;
}

void AppDelegate::synchronizeSettings()
{
    QString error;
    if (!m_deps.settings.synchronize(&error))
        addSaveError(error);
}

void AppDelegate::addSaveError(const QString& error)
{
    const std::lock_guard guard(m_listsMutex);
    m_saveErrors << error;
}

void AppDelegate::addWarning(const QString& warning)
{
    const std::lock_guard guard(m_listsMutex);
    m_warnings << warning;
}

void AppDelegate::applicationDidEnterBackground()
{
    suspend();
}
void AppDelegate::applicationWillTerminate()
{
    suspend();
}

void AppDelegate::applicationWillResignActive()
{
    if (m_providerClient)
        m_providerClient->cancel();
}

void AppDelegate::suspend()
{
    m_notificationQueue.cancelAllOperations();
    synchronizeSettings();
    OccasionStore* occasions = m_deps.occasions;
    if (occasions && occasions->isLoaded()) {
        QString error;
        if (m_deps.access == DataAccess::ReadWrite && !occasions->writeStores(&error))
            addSaveError(error);
        updateApplicationBadge();
        if (m_updateRemindersOnSuspension)
            sendProviderData(true);
    }
    synchronizeSettings();
}

void AppDelegate::updateApplicationBadge()
{
    if (!m_deps.notificationCenter || !m_deps.occasions || !m_deps.occasions->isLoaded())
        return;
    const bool showCount = m_deps.settings.boolValue(QString(Key::ShowCount));
    QString error;
    if (!m_deps.notificationCenter->setApplicationIconBadgeNumber(
            showCount ? m_deps.occasions->calculateUpcoming() : 0, &error))
        addSaveError(QStringLiteral("the icon badge could not be set: %1").arg(error));
}

void AppDelegate::sendProviderData(bool synchronous)
{
    // Without local notifications the reminder service composes the reminders.
    if (!lpsAvailable) {
        if (m_providerClient && m_deps.access == DataAccess::ReadWrite && m_deps.occasions &&
            m_deps.occasions->isLoaded())
            m_providerClient->sendProviderData(synchronous);
        return;
    }
    m_notificationQueue.cancelAllOperations();
    if (synchronous) {
        // A cancelled rebuild still running could hand over its older schedule after
        // this one: let it reach its next check first.
        m_notificationQueue.waitUntilAllOperationsAreFinished();
        setupLocalNotifications(nullptr);
        // It may have cancelled a queued rebuild whose strip is still showing.
        hideUpdatingNotifications();
        return;
    }
    // Shown only when a rebuild is queued, as only a rebuild takes it down again.
    if (m_deps.notificationCenter && m_deps.clock && m_deps.occasions &&
        m_deps.occasions->isLoaded()) {
        if (m_updatingNotifications)
            m_updatingNotifications(true);
        m_notificationQueue.addOperation(
            std::make_shared<SetupNotificationsOperation>(*this, notificationInput()));
    }
}

void AppDelegate::hideUpdatingNotifications()
{
    if (!m_updatingNotifications)
        return;
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread()) {
        m_updatingNotifications(false);
        return;
    }
    // Not waited for: the main thread may itself be waiting for this rebuild to end.
    // The receiver is looked at there, on its own thread, when the notice arrives.
    QMetaObject::invokeMethod(
        application,
        [signal = m_updatingNotifications, receiver = m_updatingReceiver,
            hasReceiver = m_hasUpdatingReceiver] {
            if (!hasReceiver || receiver)
                signal(false);
        },
        Qt::QueuedConnection);
}

SetupNotificationsOperation::Input AppDelegate::notificationInput() const
{
    static const std::vector<OccasionRecordPtr> none;
    return SetupNotificationsOperation::Input::snapshot(
        m_deps.occasions ? m_deps.occasions->records() : none, m_deps.settings);
}

NotificationSyncResult AppDelegate::setupLocalNotifications(const Operation* operation)
{
    if (!m_deps.occasions || !m_deps.occasions->isLoaded())
        return {};
    // On the thread that owns the records they are read as they are; only a queued
    // rebuild needs copies of its own.
    return setupLocalNotifications(
        {m_deps.occasions->records(), NotificationSettings::from(m_deps.settings)}, operation);
}

NotificationSyncResult AppDelegate::setupLocalNotifications(
    const SetupNotificationsOperation::Input& input, const Operation* operation)
{
    using Outcome = NotificationSyncResult::Outcome;
    if (!m_deps.notificationCenter || !m_deps.clock || m_deps.access == DataAccess::ReadOnly)
        return {};
    const auto cancelled = [operation] { return operation && operation->isCancelled(); };
    NotificationPlanner planner(input.settings, m_gregorian, m_texts);
    planner.setTallerThanBox(AlertTextMeasure::plannerTest());
    const std::vector<LocalNotification> wanted =
        planner.localNotifications(input.records, m_deps.clock->now());
    if (cancelled())
        return {Outcome::Cancelled, {}};
    NotificationSyncResult result =
        syncNotificationsWithArray(*m_deps.notificationCenter, wanted, cancelled);
    if (result.outcome == Outcome::Failed)
        addSaveError(QStringLiteral("the reminders could not be scheduled: %1").arg(result.error));
    return result;
}

QString AppDelegate::getEmailUUID()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

bool AppDelegate::srunning() const
{
    return ProviderRequest::srunning(providerDevice(), m_deps.settings);
}

ProviderDevice AppDelegate::providerDevice() const
{
    ProviderDevice device = providerDeviceInfo(m_deps.device, m_deps.settings, deviceToken);
    device.apsAvailable = apsAvailable;
    if (!apsAvailable)
        device.apsAlertTypes = 0;
    return device;
}

ProviderClient::Snapshot AppDelegate::providerSnapshot() const
{
    ProviderClient::Snapshot snapshot {providerDevice(), {}};
    if (m_deps.occasions && m_deps.occasions->isLoaded())
        snapshot.days = ProviderRequest::dayCounts(m_deps.occasions->records(), m_deps.settings);
    return snapshot;
}

bool AppDelegate::initialProviderRequestDone() const
{
    return m_providerClient && m_providerClient->initialProviderRequestDone();
}

bool AppDelegate::connectionErrorShown() const
{
    return m_providerClient && m_providerClient->connectionErrorShown();
}

bool AppDelegate::wifiAvailable() const
{
    return m_providerClient && m_providerClient->wifiAvailable();
}

QStringList AppDelegate::takeWarnings()
{
    const std::lock_guard guard(m_listsMutex);
    QStringList out;
    out.swap(m_warnings);
    return out;
}

QStringList AppDelegate::takeSaveErrors()
{
    const std::lock_guard guard(m_listsMutex);
    QStringList out;
    out.swap(m_saveErrors);
    out.removeDuplicates();
    return out;
}

void AppDelegate::setTimeZone(const QString& zoneId)
{
    waitForNotifications();
    m_deps.device.timeZoneId = zoneId;
    m_gregorian = Calendar(zoneId);
}

} // namespace fetemark
