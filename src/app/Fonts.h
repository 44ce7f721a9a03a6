#pragma once

#include <QFont>

namespace tarnwell::app {

// The fixed-pitch font of the apparatus list and the status display, whose columns must line up.
QFont fixedPitchFont();

} // namespace tarnwell::app
