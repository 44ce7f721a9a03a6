#pragma once

#include "import/ImportSession.h"

#include <QString>

namespace tarnwell::import {

// Writes library reference strips into the library junction box.
class ReferenceImport
{
public:
    explicit ReferenceImport(ImportSession& session) : m_session(session) {}

    void ImportReference(const QString& name);
    // The reference listed from the Channel row that starts at value `rowStart`.
    ApparatusOutcome importChannelRow(int rowStart);

private:
    ImportSession& m_session;
};

} // namespace tarnwell::import
