#pragma once

#include "gui/GuiFixture.h"

#include "core/database/RecordDatabase.h"
#include "gui/detail/TextEntryViewController.h"
#include "gui/navigation/NavigationController.h"
#include "gui/screens/DetailedInfoViewController.h"
#include "gui/widgets/ChoiceSheet.h"
#include "platform/desktop/MailComposer.h"

#include <QPushButton>

namespace fetemark::test {

// The occasion pages of the window's data, opened as the list opens them.
class DetailPageFixture : public GuiFixture {
protected:
    OccasionRecordPtr record(const QString& name)
    {
        RecordDatabase& database = m_session->database();
        if (!database.isLoaded())
            database.loadDatabase();
        for (const OccasionRecordPtr& candidate : database.records()) {
            if (candidate->name == name)
                return candidate;
        }
        return nullptr;
    }

    // The page of `name`, on top with its animation done; links go to `m_opened`.
    DetailedInfoViewController* openPage(const QString& name)
    {
        const OccasionRecordPtr found = record(name);
        if (!found)
            return nullptr;
        auto* page = new DetailedInfoViewController(*m_session, found, nullptr);
        page->setDeviceCapabilities(DeviceCapabilities {true});
        page->setUrlOpener(
            [this](const QUrl& url) { m_opened << QString::fromLatin1(url.toEncoded()); });
        page->setMailComposer(nullptr);
        push(page);
        return page;
    }

    void push(ViewController* screen)
    {
        m_window->navigation().pushViewController(screen, false);
        settle();
    }

    void settle()
    {
        waitFor([&] { return !m_window->navigation().isAnimating(); });
    }

    // The question over the window, answered with its first button of `role`.
    bool answer(ChoiceSheet::Role role)
    {
        ChoiceSheet* sheet = openSheet();
        if (!sheet)
            return false;
        QTest::mouseClick(sheet->button(sheet->indexOf(role)), Qt::LeftButton);
        settle();
        return true;
    }

    // The question showing now (answered ones linger until deleted).
    ChoiceSheet* openSheet() const
    {
        for (ChoiceSheet* sheet : m_window->findChildren<ChoiceSheet*>()) {
            if (sheet->isVisible())
                return sheet;
        }
        return nullptr;
    }

    QStringList m_opened;
};

} // namespace fetemark::test
