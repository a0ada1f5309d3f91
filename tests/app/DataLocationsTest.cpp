// Where the data folders go, from the environment as a session hands it over.
#include "app/DataLocations.h"
#include "app/DemoData.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

using namespace fetemark;

namespace {

// Sets or removes a variable for one test and puts back what was there.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const char* value)
        : m_name(name),
          m_saved(qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name))
                                                  : std::nullopt)
    {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~EnvironmentVariable()
    {
        if (m_saved)
            qputenv(m_name, *m_saved);
        else
            qunsetenv(m_name);
    }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_saved;
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
    const EnvironmentVariable xdg("XDG_DATA_HOME", GetParam().xdgDataHome);
    const EnvironmentVariable home("HOME", GetParam().home);
    const QString expected = QString::fromLatin1(GetParam().dataHome);
    EXPECT_EQ(DataLocations::dataHome(), expected);
    EXPECT_EQ(DemoData::defaultDirectory(),
        expected.isEmpty() ? QString() : expected + QStringLiteral("/fetemark-demo"));
}

INSTANTIATE_TEST_SUITE_P(DataLocations, DataLocationsHome,
    ::testing::Values(LocationRow {"Xdg", "/srv/xdg", "/home/ada", "/srv/xdg"},
        LocationRow {"XdgWithoutHome", "/srv/xdg", nullptr, "/srv/xdg"},
        LocationRow {"HomeWithoutXdg", nullptr, "/home/ada", "/home/ada/.local/share"},
        LocationRow {"RelativeXdgIsIgnored", "share", "/home/ada", "/home/ada/.local/share"},
        LocationRow {"Neither", nullptr, nullptr, ""},
        LocationRow {"RelativeXdgWithoutHome", "share", nullptr, ""},
        LocationRow {"RelativeHome", nullptr, "ada", ""}),
    test::RowName());

} // namespace
