#pragma once

#include "db/Login.h"
#include "library/LibraryRows.h"

#include <QString>

// The statements of a reference import, each assembled in one place from its fixed pieces.
// Library values go through db::sql::escaped() between quotes and db::sql::bare() when written
// as numbers; identifiers and domain values are the database's own and are written as they are.
namespace tarnwell::import::reference {

// The fixed user name stamped on the rows the import creates on its own account: the library
// junction box and its udf_panel row. Every other row carries the library's user names.
inline const QString ImporterUserName = QStringLiteral("TARNWELL");

// The junction box that holds every library reference strip.
inline const QString LibraryJunctionBoxName = QStringLiteral("KEL - DORVAN FF LIBRARY");

// The library junction box, found by name across every domain.
QString junctionBoxLookup();
QString panelInsert(const QString& panelId, const db::DomainContext& d, const QString& userName,
                    const QString& dateText);
QString udfPanelInsert(const QString& panelId, const db::DomainContext& d, const QString& userName,
                       const QString& dateText);

// The strip catalogue, from the values of a PanelStrip row.
QString stripMfrLookup(const library::PanelStripRow& strip);
QString stripMfrInsert(const QString& stripMfrId, const db::DomainContext& d,
                       const library::PanelStripRow& strip);
QString stripModelLookup(const library::PanelStripRow& strip, const QString& stripMfrId);
QString stripModelInsert(const QString& stripMfrId, const QString& stripModId,
                         const db::DomainContext& d, const library::PanelStripRow& strip);
QString stripTypeLookup(const library::PanelStripRow& strip);
QString stripTypeInsert(const QString& stripTypeId, const db::DomainContext& d,
                        const library::PanelStripRow& strip);

// The largest strip sequence of any panel named like the library junction box.
QString stripSequenceQuery();

struct StripIds
{
    QString panelId;
    QString stripId;
    QString stripMfrId;
    QString stripModId;
    QString stripTypeId;
    QString sequence;
};
QString panelStripInsert(const StripIds& ids, const db::DomainContext& d,
                         const library::PanelStripRow& strip);

struct ChannelIds
{
    QString panelId;
    QString stripId;
    QString channelId;
    QString termMfrId;
    QString termModId;
};
// Release 7 has no CHANNEL_SIDE and CONNECTOR_ID; every later release has them.
QString channelInsert(const ChannelIds& ids, const db::DomainContext& d,
                      const library::ChannelRow& channel, bool withSideAndConnector);

struct TerminalIds
{
    QString panelId;
    QString stripId;
    QString termId;
    QString termMfrId;
    QString termModId;
    QString channelId;
    QString leftColorId;
    QString rightColorId;
};
QString panelStripTermInsert(const TerminalIds& ids, const db::DomainContext& d,
                             const library::PanelStripTermRow& terminal);

// TERM_SEC_NAME: exactly ten characters, cut or padded with blanks.
QString terminalSecondaryName(const QString& value);
// TERM_NUM: a hardware terminal ("R", exactly) is shifted six blanks to the right within ten
// characters; any other keeps its number as it stands.
QString terminalNumber(const QString& number, const QString& hardwareFlag);

} // namespace tarnwell::import::reference
