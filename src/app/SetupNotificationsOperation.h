#pragma once

#include "core/operations/OperationQueue.h"
#include "core/records/OccasionRecord.h"
#include "core/reminders/NotificationPlanner.h"

#include <vector>

namespace fetemark {

class AppDelegate;

// One background rebuild of the reminder schedule. The records and settings are taken
// when it is queued, on the thread that owns them; it never starts once cancelled.
class SetupNotificationsOperation final : public Operation {
public:
    struct Input {
        std::vector<OccasionRecordPtr> records;
        NotificationSettings settings;
    };

    SetupNotificationsOperation(AppDelegate& app, Input input)
        : m_app(app), m_input(std::move(input))
    {
    }

protected:
    void main() override;

private:
    AppDelegate& m_app;
    Input m_input;
};

} // namespace fetemark
