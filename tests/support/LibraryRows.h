#pragma once

#include "library/VendorLibrary.h"

#include <QString>
#include <QStringList>

#include <map>

namespace tarnwell::testing {

// Appends one row made of `values` in order.
void appendRow(library::LibraryTable& table, const QStringList& values);

// Appends one row of `width` values: those given by position, `otherwise` everywhere else.
void appendRow(library::LibraryTable& table, int width, const std::map<int, QString>& values,
               const QString& otherwise);

// `lib` with the values given by position replaced in row `row` (0-based) of `table`.
library::VendorLibrary changedLibrary(const library::VendorLibrary& lib,
                                      library::LibraryTable library::VendorLibrary::*table,
                                      int width, int row, const std::map<int, QString>& values);

} // namespace tarnwell::testing
