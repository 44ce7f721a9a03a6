#pragma once

#include <QDate>
#include <QString>

namespace tarnwell::db::sql {

// A value as it goes between the single quotes of a literal: every apostrophe doubled, so the
// value can never end its literal or add to the statement. LIKE wildcards keep their meaning.
QString escaped(const QString& value);

// The "dd-mmm-yy" date text the program stamps on rows it creates on its own account: two-digit
// day, English three-letter month, two-digit year. The month is English whatever the desktop's
// language, because that is what the servers' default session languages read: a German "Dez."
// or a British "Sept" is refused.
QString dateText(const QDate& date);

// What a value left empty becomes in a statement: a number as 0, a text that must not
// be empty as one blank.
QString orZero(const QString& value);
QString orBlank(const QString& value);

// `value` padded on the right with blanks, or cut, to exactly `width` characters.
QString fixedWidth(const QString& value, int width);

} // namespace tarnwell::db::sql

namespace tarnwell::db::sql {

// A value that a statement writes bare, as a number. Anything but a plain decimal
// number (sign, digits, point, exponent) is refused with a Failure naming it, so that a damaged
// value can never become part of the statement's syntax.
QString bare(const QString& value);

} // namespace tarnwell::db::sql
