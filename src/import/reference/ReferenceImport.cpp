#include "import/reference/ReferenceImport.h"

namespace tarnwell::import {

void ReferenceImport::ImportReference(const QString&) {}

ApparatusOutcome ReferenceImport::importChannelRow(int)
{
    return ApparatusOutcome::Written;
}

} // namespace tarnwell::import
