#include "db/Release.h"

#include "db/Login.h"

namespace tarnwell::db {

Release::Release(const QString& text) : m_text(text), m_major(TargetMajorVersion(text)) {}

} // namespace tarnwell::db
