#pragma once

namespace tarnwell::db {

enum class Platform { None, Oracle, SQLServer, SQLServer2005, Watcom };

} // namespace tarnwell::db
