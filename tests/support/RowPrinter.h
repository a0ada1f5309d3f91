#pragma once

#include <ostream>

namespace fetemark::test {

// Failure messages name a table's row instead of dumping its bytes. gtest finds this by
// argument-dependent lookup: bring it into the rows' namespace with `using test::PrintTo;`.
template<typename Row>
requires requires(const Row& r, std::ostream& os)
{
    os << r.name;
}
void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

} // namespace fetemark::test
