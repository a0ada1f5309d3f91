// Where the data folders go, from the environment as a session hands it over.
#include "app/DataLocations.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fetemark;

namespace {

// Sets (or, given nullptr, removes) a variable for one test and puts back what was there.
struct ScopedVariable {
    ScopedVariable(const char* name, const char* value)
        : name(name), wasSet(qEnvironmentVariableIsSet(name)), saved(qgetenv(name))
    {
        value ? qputenv(name, value) : qunsetenv(name);
    }
    ~ScopedVariable() { wasSet ? qputenv(name, saved) : qunsetenv(name); }
    const char* name;
    bool wasSet;
    QByteArray saved;
};

struct LocationRow {
    const char* name;
    const char* xdgDataHome; // nullptr: not set
    const char* home;        // nullptr: not set
    const char* dataHome;    // empty: none can be found
};

class DataLocationsHome : public ::testing::TestWithParam<LocationRow> { };

TEST_P(DataLocationsHome, ComesFromAbsolutePathsOnly)
{
    const ScopedVariable xdg("XDG_DATA_HOME", GetParam().xdgDataHome);
    const ScopedVariable home("HOME", GetParam().home);
    EXPECT_EQ(DataLocations::dataHome(), QString::fromLatin1(GetParam().dataHome));
}

INSTANTIATE_TEST_SUITE_P(DataLocations, DataLocationsHome,
    ::testing::Values(LocationRow {"Xdg", "/srv/xdg", "/home/ada", "/srv/xdg"},
        LocationRow {"XdgWithoutHome", "/srv/xdg", nullptr, "/srv/xdg"},
        LocationRow {"RelativeXdgIsIgnored", "share", "/home/ada", "/home/ada/.local/share"},
        LocationRow {"Neither", nullptr, nullptr, ""},
        LocationRow {"RelativeHome", nullptr, "ada", ""}),
    test::RowName());

} // namespace
