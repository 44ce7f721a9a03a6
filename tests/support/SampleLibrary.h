#pragma once

#include "library/VendorLibrary.h"

#include <QString>

namespace tarnwell::testing {

// The folder of the sample library that the build appends to the program.
QString sampleLibraryFolder();

// The sample library's tables, parsed by the program's own parser.
const library::VendorLibrary& sampleLibrary();

} // namespace tarnwell::testing
