#pragma once

namespace fetemark {

// A row of the grouped list by its section and its row within the section.
struct IndexPath {
    int section = 0;
    int row = 0;
    friend bool operator==(const IndexPath&, const IndexPath&) = default;
};

} // namespace fetemark
