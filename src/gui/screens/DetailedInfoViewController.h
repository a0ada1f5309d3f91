#pragma once

#include "core/detail/ActionItems.h"
#include "core/detail/DetailedInfoHeader.h"
#include "core/records/OccasionRecord.h"
#include "gui/detail/DetailScreen.h"
#include "gui/detail/DetailedInfoExtraController.h"

#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace fetemark {

class ApplicationSession;
class DetailedInfoTableViewCell;
class DetailedInfoTopCell;
class DetailedInfoViewController;
class MailComposer;
class SettingsRow;
class TextBlockRow;

// Told by the occasion's page when the user leaves it (the main list).
class DetailedInfoDelegate {
public:
    virtual ~DetailedInfoDelegate() = default;
    virtual void detailedInfoViewControllerDone(DetailedInfoViewController* controller) = 0;
    // The occasion was edited so that the list must look again: `newRecord` is the
    // record to show now (none), `foundRecord` the one that stayed (none).
    virtual void detailedInfoViewControllerDoneWithBigChange(DetailedInfoViewController* controller,
        const OccasionRecordPtr& newRecord, const OccasionRecordPtr& foundRecord) = 0;
};

// One occasion's page: the header with photo, kind, date and phrase, the fun facts, the
// occasion's own settings, its notes and what can be done (call, message, mail, map).
class DetailedInfoViewController : public DetailScreen, public DetailedInfoExtraDelegate {
    Q_OBJECT
public:
    using UrlOpener = std::function<void(const QUrl& url)>;

    DetailedInfoViewController(ApplicationSession& session, OccasionRecordPtr record,
        DetailedInfoDelegate* doneDelegate, QWidget* parent = nullptr);
    ~DetailedInfoViewController() override;

    const OccasionRecordPtr& record() const { return m_record; }
    void backPressed() override;
    void viewWillAppear(bool animated) override;

    // How an action's link is opened (the desktop's handler unless set).
    void setUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }
    // The mail program a mail is written in; none: the mailto: link after asking.
    void setMailComposer(std::unique_ptr<MailComposer> composer);
    // What the machine can do with numbers (asked of the desktop unless set).
    void setDeviceCapabilities(DeviceCapabilities device) { m_device = device; }

    DetailedInfoTopCell* topCell() const { return m_topCell; }
    TextBlockRow* funFactsRow() const { return m_funFactsRow; }
    SettingsRow* settingsRow() const { return m_settingsRow; }
    // Null while "shownotes" is off.
    TextBlockRow* notesRow() const { return m_notesRow; }
    const std::vector<DetailedInfoTableViewCell*>& actionCells() const { return m_actionCells; }
    const std::vector<ActionItem>& actions() const { return m_actions; }

    void detailedInfoExtraControllerDone(
        DetailedInfoExtraController* controller, const OccasionRecordPtr& record) override;

public slots:
    // The day changed under the page (midnight, a new zone): dates and phrases anew.
    void dateChanged();

private:
    void updateDetailedInfoTop();
    void updateActionItemArray();
    void rebuildRows();
    void openExtra();
    void openNotesEditor();
    void actionSelected(std::size_t index);
    bool composeMail(const ActionItem& item);
    void confirmAndOpen(const ActionItem& item);
    void tell(const QString& message);
    DeviceCapabilities device();

    OccasionRecordPtr m_record;
    DetailedInfoDelegate* m_doneDelegate;
    UrlOpener m_urlOpener;
    std::unique_ptr<MailComposer> m_mailComposer;
    std::optional<DeviceCapabilities> m_device;

    DetailedInfoHeader m_header;
    HeaderPhoto m_photo;
    QString m_funFacts;
    std::vector<ActionItem> m_actions;

    DetailedInfoTopCell* m_topCell = nullptr;
    TextBlockRow* m_funFactsRow = nullptr;
    SettingsRow* m_settingsRow = nullptr;
    TextBlockRow* m_notesRow = nullptr;
    std::vector<DetailedInfoTableViewCell*> m_actionCells;
};

} // namespace fetemark
