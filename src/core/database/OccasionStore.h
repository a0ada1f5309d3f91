#pragma once

namespace fetemark {

// What the application object needs of the record database when the application is
// suspended or terminated: whether a load has completed, writing the application's own
// stores, and the upcoming count for the badge.
class OccasionStore {
public:
    virtual ~OccasionStore() = default;
    virtual bool isLoaded() const = 0;
    virtual void writeStores() = 0; // custom entries and contact metadata
    virtual int calculateUpcoming() = 0;
};

} // namespace fetemark
