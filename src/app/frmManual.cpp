#include "app/frmManual.h"

#include "app/core/MainView.h"
#include "app/frmAbout.h"
#include "import/reference/ReferenceStatements.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tarnwell::app {

namespace {

const QString& LibraryBox = import::reference::LibraryJunctionBoxName;

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

frmManual::frmManual(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmManual"));
    setWindowTitle(MainWindowCaption);
    setWindowIcon(programIcon());
    setAttribute(Qt::WA_DeleteOnClose);

    m_textFont = QFont(QStringLiteral("Arial"), 10);

    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("manualPage"));
    page->setFont(m_textFont);
    page->setBackgroundRole(QPalette::Base);
    page->setAutoFillBackground(true);

    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(24, 18, 24, 18);

    auto* title = new QLabel(MainWindowCaption);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_textFont;
    titleFont.setPointSize(16);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignHCenter);
    title->setWordWrap(true);
    pageLayout->addWidget(title);

    auto* revision = new QLabel(QStringLiteral("Revision 3.0"));
    revision->setObjectName(QStringLiteral("lblRevision"));
    QFont revisionFont = m_textFont;
    revisionFont.setPointSize(11);
    revision->setFont(revisionFont);
    revision->setAlignment(Qt::AlignHCenter);
    pageLayout->addWidget(revision);

    auto* rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    pageLayout->addSpacing(6);
    pageLayout->addWidget(rule);
    pageLayout->addSpacing(6);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(32);
    // Nested layouts would otherwise take the wide gap between the columns as their own.
    auto* left = new QVBoxLayout;
    left->setSpacing(6);
    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    writeLeftColumn(left);
    writeRightColumn(right);
    left->addStretch();
    right->addStretch();
    // Equal stretch keeps the two columns the same width whatever their text.
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    pageLayout->addLayout(columns);

    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("scrManual"));
    m_scroll->setWidget(page);
    m_scroll->setWidgetResizable(true);
    // The text wraps to the window's width, so only the length of the manual ever scrolls.
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setFrameShape(QFrame::NoFrame);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    setMinimumSize(560, 360);
    resize(980, 700);
}

void frmManual::heading(QVBoxLayout* column, const QString& text, Level level)
{
    auto* label = new QLabel(text);
    label->setObjectName(QStringLiteral("lblHeading"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    QFont font = m_textFont;
    font.setBold(true);
    switch (level) {
    case Level::Section:
        font.setPointSize(12);
        column->addSpacing(12);
        break;
    case Level::Topic:
        font.setPointSize(11);
        column->addSpacing(8);
        break;
    case Level::Label:
        font.setItalic(true);
        column->addSpacing(2);
        break;
    }
    label->setFont(font);
    column->addWidget(label);
}

void frmManual::paragraph(QVBoxLayout* column, const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->addWidget(label);
}

void frmManual::bullets(QVBoxLayout* column, const QStringList& items)
{
    for (const QString& item : items) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(8, 0, 0, 0);
        row->setSpacing(6);
        auto* mark = new QLabel(QStringLiteral("\u2022"));
        mark->setAlignment(Qt::AlignRight | Qt::AlignTop);
        mark->setFixedWidth(12);
        row->addWidget(mark);
        auto* text = new QLabel(item);
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        row->addWidget(text, 1);
        column->addLayout(row);
    }
}

namespace {

// What is installed, and through what the drivers are reached, differ by system.
#ifdef Q_OS_WIN
const QString Installed = QStringLiteral(
    "The installer adds only the program with the libraries it needs, a Start-menu entry and an "
    "uninstaller.");
const QString DriverManager = QStringLiteral("Windows' ODBC");
#else
const QString Installed =
    QStringLiteral("The Debian package adds only the program, its menu entry and its icon.");
const QString DriverManager = QStringLiteral("unixODBC");
#endif

} // namespace

void frmManual::writeLeftColumn(QVBoxLayout* column)
{
    heading(column, QStringLiteral("INSTALLATION INFORMATION"), Level::Section);
    paragraph(column,
              QStringLiteral("Tarnwell is a single program file. The vendor library travels inside "
                             "that file, so there is nothing else to copy and nothing to set up: "
                             "the program keeps no settings and writes no files of its own. ") +
                  Installed);
    paragraph(column,
              QStringLiteral("To reach a database the computer needs ") + DriverManager +
                  QStringLiteral(" with an ODBC driver for the database platform (see Database "
                                 "Platforms below)."));
    paragraph(column, QStringLiteral("Once the ") + LibraryBox +
                          QStringLiteral(" has been imported into every domain that needs it, the "
                                         "program has done its work and can simply be removed."));

    heading(column, QStringLiteral("SPI COMPATIBILITY INFORMATION"), Level::Section);
    paragraph(column, QStringLiteral("This import utility is compatible with:"));
    bullets(column, {
                        QStringLiteral("SPI version 7 Service Pack 5 (07.00.05.06) and higher"),
                        QStringLiteral("SPI 2007"),
                        QStringLiteral("SPI 2009"),
                    });
    paragraph(column,
              QStringLiteral("On Connect the program reads the release of the target database. Any "
                             "other release is refused with the message ") +
                  quoted(QStringLiteral("Only SPI versions 7 SP5, 2007 and 2009 are supported.")) +
                  QStringLiteral(" and the program ends without having written anything."));

    heading(column, QStringLiteral("Database Platforms"), Level::Topic);
    heading(column, QStringLiteral("Supported"), Level::Label);
    bullets(column,
            {
                QStringLiteral("Oracle Server: choose ") + quoted(QStringLiteral("Oracle")) +
                    QStringLiteral(" and enter the net service name as Database Name; "
                                   "Server Name is not used."),
                QStringLiteral("Microsoft SQL Server, including SQL Server 2005: choose ") +
                    quoted(QStringLiteral("SQL Server")) +
                    QStringLiteral(" and enter both the server and the database name."),
            });
    heading(column, QStringLiteral("Not Supported"), Level::Label);
    bullets(column, {QStringLiteral("Sybase Adaptive Server Anywhere")});
    paragraph(
        column,
        QStringLiteral("The program connects through ") + DriverManager +
            QStringLiteral(
                ". For Oracle it takes the first "
                "installed driver whose name begins with \"Oracle\"; for SQL Server "
                "the first installed of \"ODBC Driver 18 for SQL Server\", \"ODBC "
                "Driver 17 for SQL Server\", \"FreeTDS\" and \"SQL Server\". A driver registered "
                "under the name msdaora (Oracle) or sqloledb (SQL Server) is taken in "
                "preference to these. When no driver fits, the status display says "
                "which ones were looked for."));
    paragraph(column,
              QStringLiteral("On SQL Server the login's default language must be English "
                             "(us_english): the junction box is stamped with the day of the import "
                             "as text with an English month name, such as 08-Dec-26, which a "
                             "login of another language refuses. On Oracle the session's date "
                             "format must read DD-MON-RR, which is Oracle's default. When the "
                             "server's certificate is not trusted by this computer, Connect asks "
                             "whether to connect anyway, encrypted, without checking it; a "
                             "database administrator can make the certificate trusted instead."));

    heading(column, QStringLiteral("EXECUTING AN IMPORT"), Level::Section);
    paragraph(column, QStringLiteral("Please read the four notes below before the first import."));

    heading(column, QStringLiteral("Important Note"), Level::Topic);
    paragraph(column,
              QStringLiteral("Run an import only with exclusive access to the database, while "
                             "nobody else is logged into SPI. The program allocates the "
                             "identifiers of the records it creates itself and counts on nobody "
                             "else creating records at the same time. For the length of a run it "
                             "also switches off the triggers of the tables panel and udf_panel, "
                             "and switches them on again when the run ends, however it ends."));
    paragraph(column,
              QStringLiteral("Cancel (or Escape) during Connect or a run stops it at once: the "
                             "statement under way is cancelled at the server, the apparatus being "
                             "written is taken back and the triggers are switched on again. File, "
                             "Exit during a run does the same and then ends the program. When the "
                             "connection is lost in the middle of a run, the program connects "
                             "again by itself to switch the triggers on, and says so. Should the "
                             "program be killed in the middle of a run, it offers to switch the "
                             "triggers on at the next login."));

    heading(column, QStringLiteral("Recommendation"), Level::Topic);
    paragraph(column,
              QStringLiteral("Run the program on the SPI database server itself, or on a computer "
                             "close to it on the network. An import sends many small statements "
                             "one after the other, and a slow link makes it take much longer."));
}

void frmManual::writeRightColumn(QVBoxLayout* column)
{
    heading(column, QStringLiteral("Domain Connection"), Level::Topic);
    paragraph(column,
              QStringLiteral("In Step 1 the program asks for the target database and domain: the "
                             "platform, the Server Name, the Database Name, and the Domain Logon "
                             "Name and Password. The logon name and password serve twice: as the "
                             "database login, and to find the SPI domain whose logon they match "
                             "(when several domains share a logon, the first one found is used). "
                             "Both are changed to capitals before the program connects."));
    paragraph(column,
              QStringLiteral("If you do not know these values, ask the SPI administrator of the "
                             "database."));

    heading(column, QStringLiteral("User Interface"), Level::Topic);
    paragraph(column,
              QStringLiteral("After connecting, the program lists every apparatus of its library "
                             "in Step 2: apparatus group configurations first, then reference "
                             "apparatuses in name order. For each one it looks in the domain for "
                             "records with the same apparatus group manufacturer and model, and "
                             "flags a match in the In Domain column."));
    paragraph(column,
              QStringLiteral("Flagged lines can still be imported: new and duplicate records can "
                             "both be inserted, as SPI allows several records of one name. Choose "
                             "to import all apparatus, or only the selected ones and select their "
                             "lines (Ctrl and Shift select several), then press Import. The status "
                             "display at the bottom of the window shows the last ten messages; "
                             "its text can be selected and copied."));
    paragraph(column,
              QStringLiteral("The third choice imports only what the domain lacks: just before "
                             "each line is imported, the domain is asked about it again, and a "
                             "line it already holds is passed over with the status line "
                             "\"Already in the domain\". After an import that was interrupted or "
                             "partly failed, one run with this choice completes the domain "
                             "without writing anything twice."));
    paragraph(column, QStringLiteral(
                          "Check Import, beside Import, runs exactly the chosen import and keeps "
                          "nothing: every statement is sent as in a real run, the apparatuses "
                          "that would fail are reported with the database's words, and at the "
                          "end the status display says how many new rows each table would "
                          "receive. Everything the check wrote is taken back, and the triggers "
                          "are switched off and on again as in a real run."));
    paragraph(column,
              QStringLiteral("The program keeps every message of the session. Copy All in the "
                             "status display's context menu puts them all on the clipboard; Save "
                             "Log (File menu, Ctrl+S, or the same context menu) writes them to a "
                             "file of your choice, with the day the session started. The password "
                             "never appears in the log: wherever a database repeats it, it is "
                             "shown as asterisks. The log is the only file the program writes, "
                             "and only when asked."));
    paragraph(column,
              QStringLiteral("The revision shown in the Rev column is taken from the Description "
                             "field of the configuration and of the reference. It tells which "
                             "products have changed since the last publication of the library."));

    heading(column, QStringLiteral("What Can Be Imported"), Level::Topic);
    paragraph(column, QStringLiteral("Depending on the selection, an import writes:"));
    bullets(column,
            {
                QStringLiteral("apparatus group configurations (profiles) with their terminals"),
                QStringLiteral("a junction box named ") + LibraryBox,
                QStringLiteral("one strip in that box for each apparatus group reference, with its "
                               "channels and terminals"),
                QStringLiteral("strip manufacturers, strip models and their dimensional data"),
                QStringLiteral("apparatus manufacturers, the apparatus models of each manufacturer "
                               "and their dimensional data"),
                QStringLiteral("terminal colours"),
            });
    paragraph(column,
              QStringLiteral("Manufacturers, models, strip types and colours are looked up first "
                             "and created only when the database has none of that name. Each "
                             "apparatus is written whole or not at all: when one of its statements "
                             "fails, everything written for it is taken back, the status display "
                             "shows the failure with the database's own description, and the "
                             "import goes on with the next apparatus."));
    paragraph(
        column,
        QStringLiteral("Configurations (profiles) and apparatus groups as references can both "
                       "be imported. For references the program looks for the junction box ") +
            LibraryBox +
            QStringLiteral(", creates it when it is missing, and mounts each reference on "
                           "its own strip inside it. The box is found by its exact name: a "
                           "box whose name differs by even one character is not found, and "
                           "the next import creates a new ") +
            LibraryBox +
            QStringLiteral(". Renaming a box you have edited therefore keeps it beside a "
                           "fresh copy of the library. The box is stamped with the day of "
                           "the import, written with the English month name (08-Dec-26) "
                           "whatever the language of the desktop."));
    paragraph(column,
              QStringLiteral("Importing records that already exist creates duplicates, since SPI "
                             "and this program allow them. To avoid them, leave the flagged lines "
                             "out of the selection, or give the existing records other names "
                             "before or after the import."));

    heading(column, QStringLiteral("USER SUPPORT"), Level::Section);
    paragraph(column,
              QStringLiteral("If you have a question about this program or its library, or an "
                             "import reports a failure you cannot explain, please contact us. "
                             "Keep the lines of the status display at hand."));
    paragraph(column, QStringLiteral("Telephone: +1 555-0147 (Monday to Friday, 8:00 to 17:00)"));
    paragraph(column, QStringLiteral("E-mail: library.support@quorvane.example"));
}

} // namespace tarnwell::app
