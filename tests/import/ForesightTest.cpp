#include "import/Foresight.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::import;

namespace {

std::optional<QString> foretold(const std::optional<db::Prediction>& prediction, int column = 0)
{
    if (!prediction)
        return std::nullopt;
    return prediction->answer.found(column).value_or(QStringLiteral("<no row>"));
}

// An apparatus's answers are foretold from what it learned itself first, then from what the
// run kept; what it learned is kept only when it is kept, as the database keeps its rows.
TEST(Foresight, KeepsWhatAKeptApparatusLearnedAndForgetsWhatOneTakenBackLearned)
{
    Foresight foresight;
    EXPECT_EQ(foretold(foresight.nextId(IdTable::TermMfr)), std::nullopt);

    foresight.apparatusBegins();
    foresight.idUsed(IdTable::TermMfr, "7");
    foresight.lookedUp("SELECT id FROM m WHERE n = 'a'", 0, "7");
    EXPECT_EQ(foretold(foresight.nextId(IdTable::TermMfr)), "8");
    foresight.apparatusKept();

    foresight.apparatusBegins();
    EXPECT_EQ(foretold(foresight.nextId(IdTable::TermMfr)), "8");
    foresight.idUsed(IdTable::TermMfr, "8");
    foresight.lookedUp("SELECT id FROM m WHERE n = 'b'", 0, std::nullopt);
    foresight.raised("SELECT max(x) FROM t", "40");
    EXPECT_EQ(foretold(foresight.nextId(IdTable::TermMfr)), "9");
    EXPECT_EQ(foretold(foresight.lookup("SELECT id FROM m WHERE n = 'b'", 0)), "<no row>");
    foresight.apparatusTakenBack();

    EXPECT_EQ(foretold(foresight.nextId(IdTable::TermMfr)), "8");
    EXPECT_EQ(foretold(foresight.lookup("SELECT id FROM m WHERE n = 'a'", 0)), "7");
    EXPECT_EQ(foretold(foresight.lookup("SELECT id FROM m WHERE n = 'b'", 0)), std::nullopt);
    EXPECT_EQ(foretold(foresight.largest("SELECT max(x) FROM t")), std::nullopt);
    EXPECT_EQ(foretold(foresight.lookup("SELECT id FROM m WHERE n = 'a'", 1)), std::nullopt)
        << "the same text read at another column foretells nothing";
}

// An identifier that is not a number leaves the next one unknown, also over what the run kept,
// until the apparatus is taken back.
TEST(Foresight, AnIdentifierThatIsNoNumberHidesTheKeptOneUntilTakenBack)
{
    Foresight foresight;
    foresight.apparatusBegins();
    foresight.idUsed(IdTable::Panel, "41");
    foresight.apparatusKept();

    foresight.apparatusBegins();
    foresight.idUsed(IdTable::Panel, "A-1");
    EXPECT_EQ(foretold(foresight.nextId(IdTable::Panel)), std::nullopt);
    foresight.apparatusTakenBack();
    EXPECT_EQ(foretold(foresight.nextId(IdTable::Panel)), "42");

    foresight.apparatusBegins();
    foresight.idUsed(IdTable::Panel, "A-1");
    foresight.apparatusKept();
    EXPECT_EQ(foretold(foresight.nextId(IdTable::Panel)), std::nullopt);
}

} // namespace
