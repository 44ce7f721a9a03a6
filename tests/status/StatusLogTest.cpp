#include "status/StatusLog.h"

#include "support/QtPrinters.h"
#include "support/StatusMessages.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using tarnwell::status::StatusLog;

namespace {

class StatusLogTest : public ::testing::Test
{
protected:
    StatusLogTest()
    {
        log.setClock([] { return QTime(9, 5, 7); });
        log.setDisplay([this](const QString& caption) {
            shown = caption;
            ++pumps;
        });
    }

    QString newest() const { return log.lines().back(); }
    QStringList messages() const { return tarnwell::testing::withoutStamps(log.lines()); }

    StatusLog log;
    QString shown;
    int pumps = 0; // how often the display was told
};

TEST_F(StatusLogTest, KeepsTheTenNewestLinesWithTimeStamps)
{
    for (int i = 1; i <= 11; ++i)
        log.ShowStatus(QString::number(i));
    EXPECT_EQ(log.lines().front(), "09:05:07   2");
    EXPECT_EQ(newest(), "09:05:07   11");
    EXPECT_EQ(shown, log.caption());
    EXPECT_EQ(shown.count("\r\n"), 9);
    EXPECT_FALSE(shown.endsWith("\r\n"));
    EXPECT_EQ(pumps, 11);
}

TEST_F(StatusLogTest, FirstLineAppearsAtTheBottomUnderNineEmptyOnes)
{
    log.ShowStatus("Program opens.");
    EXPECT_EQ(shown, QString("\r\n").repeated(9) + "09:05:07   Program opens.");
    log.AppendStatus("  connected.");
    EXPECT_EQ(newest(), "09:05:07   Program opens.  connected.");
    EXPECT_EQ(pumps, 2);
}

TEST_F(StatusLogTest, LineBreaksInsideAMessageShowAsBlanks)
{
    log.ShowStatus("newest before");
    log.ShowStatus("Importing KD\r\nSP4");
    log.AppendStatus(" driver\nsays\r");
    EXPECT_EQ(newest(), "09:05:07   Importing KD  SP4 driver says ");
    EXPECT_EQ(log.lines()[StatusLog::LineCount - 2], "09:05:07   newest before");
    EXPECT_EQ(shown.count("\r\n"), 9);
    EXPECT_FALSE(shown.contains('\n' + QString("SP4")));
}

TEST_F(StatusLogTest, KeepsEveryLineOfTheSessionWithoutItsSecret)
{
    for (int i = 1; i <= 12; ++i)
        log.ShowStatus(QString::number(i));
    log.AppendStatus(" more");
    log.setSecret("Tiger7");
    log.ShowStatus("Database reports: login TIGER7 refused; tiger7 again");
    const QStringList session = log.sessionLines();
    ASSERT_EQ(session.size(), 13);
    EXPECT_EQ(session.first(), "09:05:07   1");
    EXPECT_EQ(session[11], "09:05:07   12 more");
    EXPECT_EQ(session.last(), "09:05:07   Database reports: login ****** refused; ****** again");
    EXPECT_EQ(newest(), session.last()) << "the display never shows it either";

    // A secret too short to hide everywhere is hidden where it stands as a word.
    log.setSecret("ab");
    log.ShowStatus("tab ab AB-x");
    EXPECT_EQ(newest(), "09:05:07   tab ** **-x");
}

TEST_F(StatusLogTest, ShortDescriptionGetsALineOfItsOwn)
{
    log.ShowStatus("Database reports: ");
    const QString d69 = QString(69, 'x');
    log.ShowErrorDescription(d69);
    EXPECT_EQ(messages().mid(8), QStringList({"Database reports: ", d69}));
}

TEST_F(StatusLogTest, LongDescriptionStartsOnTheCurrentLine)
{
    log.ShowStatus("Database reports: ");
    // 70 characters, blank at column 60.
    const QString d = QString(59, 'a') + " " + QString(10, 'b');
    log.ShowErrorDescription(d);
    EXPECT_EQ(messages().at(8), "Database reports: " + QString(59, 'a'));
    // The rest has no blank 70 further on, so it is the last piece and keeps its blank.
    EXPECT_EQ(messages().at(9), " " + QString(10, 'b'));
}

TEST_F(StatusLogTest, WrapsInPiecesOfAboutSeventy)
{
    log.ShowStatus("Database reports: ");
    QStringList words;
    for (int i = 0; i < 40; ++i)
        words << QString("word%1").arg(i, 4, 10, QChar('0')); // 8 characters each
    const QString d = words.join(' ');                        // 359 characters
    log.ShowErrorDescription(d);
    const QStringList m = messages();
    // First piece ends before the first blank at or after column 60: after word 6 (7 words).
    EXPECT_EQ(m.at(5), "Database reports: " + words.mid(0, 7).join(' '));
    // Each further piece runs from after the last blank through the first blank 70 on.
    EXPECT_EQ(m.at(6), words.mid(7, 8).join(' ') + " ");
    EXPECT_EQ(m.at(9).size(), 72);
    // Four further pieces at most: the end of a long description is not shown.
    EXPECT_FALSE(log.caption().contains("word0039"));
}

TEST_F(StatusLogTest, DescriptionWithoutLateBlankIsAppendedWhole)
{
    log.ShowStatus("Database reports: ");
    const QString d = "ab " + QString(80, 'c');
    log.ShowErrorDescription(d);
    EXPECT_EQ(newest(), "09:05:07   Database reports: " + d);
}

TEST_F(StatusLogTest, LineFeedsInDescriptionsBecomeBlanks)
{
    log.ShowErrorDescription("ERROR: duplicate key\nDETAIL: Key exists.");
    EXPECT_EQ(newest(), "09:05:07   ERROR: duplicate key DETAIL: Key exists.");
}

TEST_F(StatusLogTest, FlushShowsQueuedMessagesInOrderOnce)
{
    log.FlushPendingMessages();
    EXPECT_EQ(pumps, 0);
    log.pendingMessages().add("one");
    log.pendingMessages().add("two");
    log.pendingMessages().add("three");
    log.FlushPendingMessages();
    EXPECT_EQ(messages().mid(7), QStringList({"one", "two", "three"}));
    EXPECT_TRUE(log.pendingMessages().isEmpty());
    log.FlushPendingMessages();
    EXPECT_EQ(pumps, 3);
}

// The database work writes from its own thread while the window's thread may write too: every
// line arrives whole, and a wrapped description is never torn apart by a line of the other.
TEST(StatusLogThreads, WritersOnTwoThreadsNeverTearALineOrADescription)
{
    StatusLog log;
    std::vector<QString> captions;
    log.setDisplay([&captions](const QString& caption) { captions.push_back(caption); });
    const QString description = QString("word ").repeated(30).trimmed();
    std::thread worker([&] {
        for (int i = 0; i < 500; ++i) {
            log.ShowStatus("Database reports: ");
            log.ShowErrorDescription(description);
        }
    });
    for (int i = 0; i < 500; ++i)
        log.ShowStatus(QString("window %1").arg(i));
    worker.join();

    EXPECT_EQ(captions.size(), 500u * 4 + 500u);
    for (const QString& caption : captions) {
        const QStringList lines = caption.split("\r\n");
        ASSERT_EQ(lines.size(), StatusLog::LineCount);
        for (int i = 0; i + 1 < lines.size(); ++i) {
            // A description's first piece is followed by its continuation, never by another
            // writer's line.
            if (lines[i].contains("Database reports: word")) {
                EXPECT_FALSE(lines[i + 1].contains("window")) << caption.toStdString();
            }
        }
    }
}

} // namespace
