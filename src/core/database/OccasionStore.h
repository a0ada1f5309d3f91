#pragma once

#include "core/records/OccasionRecord.h"

#include <QString>

#include <vector>

namespace fetemark {

// What the application object needs of the record database when the application is
// suspended or terminated: whether a load has completed, writing the application's own
// stores, the upcoming count for the badge, and the records reminders are made from.
class OccasionStore {
public:
    virtual ~OccasionStore() = default;
    virtual bool isLoaded() const = 0;
    // Custom entries and contact metadata; false with `error` set when one could not be
    // written.
    virtual bool writeStores(QString* error = nullptr) = 0;
    virtual int calculateUpcoming() = 0;
    // Every record in the database's order.
    virtual const std::vector<OccasionRecordPtr>& records() const = 0;
};

} // namespace fetemark
