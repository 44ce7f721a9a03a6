#pragma once

#include <QString>

namespace tarnwell::import {

enum class ApparatusKind { Configuration, Reference };

// One line of the apparatus list. It remembers the library row it was built from, so an import
// writes exactly that row, whatever the line's name column shows.
struct ApparatusEntry
{
    ApparatusKind kind = ApparatusKind::Configuration;
    QString name;           // the full name, never cut
    int row = 0;            // first value of the row in StripConfig or Channel
    QString line;           // the fixed-width text the list shows
    QString listingQuery{}; // the statement that asked the domain whether it holds this one
};

} // namespace tarnwell::import
