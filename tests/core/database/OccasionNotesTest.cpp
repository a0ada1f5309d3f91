#include "core/database/OccasionNotes.h"

#include "core/settings/Settings.h"

#include <gtest/gtest.h>

namespace {

using fetemark::OccasionABMetadata;
using fetemark::OccasionNotes;
using fetemark::Settings;

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

std::shared_ptr<OccasionABMetadata> entry(std::int32_t recordID, const char* customID)
{
    auto m = std::make_shared<OccasionABMetadata>();
    m->recordID = recordID;
    m->customID = q(customID);
    m->notes = q("stored");
    return m;
}

TEST(OccasionNotes, SettingAgainChangesTheOneEntryOfThatKey)
{
    const Settings settings(q("never-written.plist"));
    OccasionNotes notes(settings);
    notes.setForContact(q("first"), 7);
    notes.setForContact(q("second"), 7);
    notes.setForCustomID(q("met in Rome"), q("FIONA"));
    notes.setForCustomID(q("met in Paris"), q("FIONA"));
    ASSERT_EQ(notes.entries().size(), 2u);
    EXPECT_EQ(notes.forContact(7), q("second"));
    EXPECT_EQ(notes.forCustomID(q("FIONA")), q("met in Paris"));
    EXPECT_EQ(notes.entries()[1]->recordID, -1);
}

TEST(OccasionNotes, AnEntryAnswersOnlyForItsOwnKindOfKey)
{
    const Settings settings(q("never-written.plist"));
    OccasionNotes notes(settings);
    // A Facebook entry stored with a contact's record id is still only the friend's.
    notes.replaceEntries({entry(7, "FIONA")});
    EXPECT_EQ(notes.forContact(7), q(""));
    EXPECT_EQ(notes.forCustomID(q("FIONA")), q("stored"));

    notes.setForContact(q("own"), 7);
    ASSERT_EQ(notes.entries().size(), 2u);
    EXPECT_EQ(notes.forCustomID(q("FIONA")), q("stored"));
    EXPECT_EQ(notes.forContact(7), q("own"));
}

} // namespace
