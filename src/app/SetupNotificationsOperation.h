#pragma once

#include "core/operations/OperationQueue.h"
#include "core/records/OccasionRecord.h"
#include "core/reminders/NotificationPlanner.h"

#include <vector>

namespace fetemark {

class AppDelegate;

class Settings;

// One background rebuild of the reminder schedule. The records and settings are copied
// when it is queued, on the thread that owns them, so the main thread may go on changing
// its records while the rebuild runs; it never starts once cancelled.
class SetupNotificationsOperation final : public Operation {
public:
    struct Input {
        std::vector<OccasionRecordPtr> records; // the rebuild's own copies
        NotificationSettings settings;

        // Copies of what the planner reads of each record, shared with no one.
        static Input snapshot(
            const std::vector<OccasionRecordPtr>& records, const Settings& settings);
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
