#include "OccasionABMetadata.h"

#include <limits>

namespace fetemark {
namespace {
const QString CustomIDKey = QStringLiteral("CustomID");
const QString RecordIDKey = QStringLiteral("ABRecordID");
const QString NotesKey = QStringLiteral("Notes");
} // namespace

ArchiveValue OccasionABMetadata::encodeWithCoder() const
{
    ArchiveObjectWriter coder({QString::fromLatin1(ArchiveClassName), QStringLiteral("NSObject")});
    coder.encodeString(CustomIDKey, customID);
    coder.encodeInt(RecordIDKey, recordID);
    coder.encodeString(NotesKey, notes);
    return coder.finish();
}

std::shared_ptr<OccasionABMetadata> OccasionABMetadata::initWithCoder(const ArchiveValue& value)
{
    const ArchiveObject* object = value.asObject();
    if (!object)
        return nullptr;
    const ArchiveObjectReader coder(*object);
    auto m = std::make_shared<OccasionABMetadata>();
    m->customID = coder.decodeString(CustomIDKey);
    const std::int64_t id = coder.decodeInt(RecordIDKey, -1);
    m->recordID = (id < std::numeric_limits<std::int32_t>::min() ||
                      id > std::numeric_limits<std::int32_t>::max())
        ? -1
        : static_cast<std::int32_t>(id);
    m->notes = coder.decodeString(NotesKey);
    return m;
}

std::shared_ptr<OccasionABMetadata> OccasionABMetadata::copy() const
{
    auto m = std::make_shared<OccasionABMetadata>();
    m->customID = customID;
    m->recordID = recordID;
    m->notes = notes;
    return m;
}

} // namespace fetemark
