#pragma once

#include "platform/archive/ArchiveValue.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace fetemark {

// Notes kept beside the address book: keyed by a contact's record id, or by the
// customID of a holiday or Facebook entry. Shared like records; equality is identity.
class OccasionABMetadata {
public:
    static constexpr const char* ArchiveClassName = "OccasionABMetadata";

    OccasionABMetadata() = default;
    OccasionABMetadata(const OccasionABMetadata&) = delete;
    OccasionABMetadata& operator=(const OccasionABMetadata&) = delete;

    QString customID;
    std::int32_t recordID = -1;
    QString notes;

    ArchiveValue encodeWithCoder() const;
    static std::shared_ptr<OccasionABMetadata> initWithCoder(const ArchiveValue& object);
    std::shared_ptr<OccasionABMetadata> copy() const;
};

using OccasionABMetadataPtr = std::shared_ptr<OccasionABMetadata>;

} // namespace fetemark
