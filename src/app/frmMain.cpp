#include "app/frmMain.h"

#include "app/Fonts.h"
#include "app/frmAbout.h"
#include "app/frmManual.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarnwell::app {

namespace {

// Column headings over the fixed-width apparatus lines: type at 1, name at 17, the "In Domain"
// mark at 49, revision at 55, manufacturer from 61.
QString columnHeadings()
{
    return QStringLiteral("Type").leftJustified(16) + QStringLiteral("Name").leftJustified(28) +
           QStringLiteral("In Domain Rev   Manufacturer");
}

template <typename Widget> Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The Help windows: at most one of each, shown without blocking the main window. One that is
// only waiting to be destroyed after its close does not count.
template <typename Window> void showOrBringForward(QWidget* owner)
{
    Window* window = nullptr;
    for (Window* child : owner->findChildren<Window*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isVisible())
            window = child;
    }
    if (!window)
        window = new Window(owner);
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

frmMain::frmMain(db::ConnectionFactory& connections, Dialogs& dialogs, const QString& programPath,
                 QWidget* parent)
    : QMainWindow(parent), m_controller(*this, dialogs, connections, programPath, &m_executor)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(MainWindowCaption);
    setWindowIcon(programIcon());
    buildMenus();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    QWidget* connectFrame = buildConnectFrame();
    connectFrame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout->addWidget(connectFrame);

    lblDomain = named(new QLabel(QStringLiteral("Choose Domain:")), "lblDomain");
    lblDomain->setVisible(false);
    layout->addWidget(lblDomain);

    layout->addWidget(buildImportFrame(), 1);

    auto* importRow = new QHBoxLayout;
    cmdImport = named(new QPushButton(QStringLiteral("Import")), "cmdImport");
    cmdImport->setAutoDefault(true);
    cmdImport->setVisible(false);
    connect(cmdImport, &QPushButton::clicked, this, &frmMain::cmdImport_Click);
    importRow->addWidget(cmdImport);
    cmdCheckImport = named(new QPushButton(QStringLiteral("Check Import")), "cmdCheckImport");
    cmdCheckImport->setAutoDefault(true);
    cmdCheckImport->setVisible(false);
    connect(cmdCheckImport, &QPushButton::clicked, this, &frmMain::cmdCheckImport_Click);
    importRow->addWidget(cmdCheckImport);
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel")), "cmdCancel");
    cmdCancel->setShortcut(QKeySequence(Qt::Key_Escape));
    cmdCancel->setVisible(false);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
    importRow->addWidget(cmdCancel);
    prgImport = named(new QProgressBar, "prgImport");
    prgImport->setFormat(QStringLiteral("Apparatus %v of %m"));
    prgImport->setVisible(false);
    importRow->addWidget(prgImport, 1);
    layout->addLayout(importRow);
    // Takes the room of the step 2 frame while that is hidden.
    layout->addStretch();

    lblStatus = named(new QLabel, "lblStatus");
    lblStatus->setFont(fixedPitchFont());
    lblStatus->setAutoFillBackground(true);
    QPalette white = lblStatus->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    lblStatus->setPalette(white);
    lblStatus->setFrameShape(QFrame::StyledPanel);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblStatus->setTextFormat(Qt::PlainText);
    // A user must be able to copy a failure description out of the log.
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lblStatus->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lblStatus, &QWidget::customContextMenuRequested, this, &frmMain::showStatusMenu);
    lblStatus->setFixedHeight(
        QFontMetrics(lblStatus->font()).lineSpacing() * status::StatusLog::LineCount + 12);
    // What the display shows must never widen the window: a line too long for it is cut at
    // the edge, and its whole text stays in the selectable text and the tooltip.
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    lblStatus->setMinimumWidth(1);
    layout->addWidget(lblStatus);

    setCentralWidget(central);
    resize(820, 720);

    setTabOrder(optOracle, optSQLServer);
    setTabOrder(optSQLServer, txtServerName);
    setTabOrder(txtServerName, txtDataSource);
    setTabOrder(txtDataSource, txtUserID);
    setTabOrder(txtUserID, txtPassword);
    setTabOrder(txtPassword, cmdConnect);
    setTabOrder(cmdImport, cmdCheckImport);

    m_controller.Form_Load();
}

frmMain::~frmMain()
{
    setBusy(false);
}

void frmMain::buildMenus()
{
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction* mnuFileSaveLog = mnuFile->addAction(QStringLiteral("&Save Log..."));
    mnuFileSaveLog->setObjectName(QStringLiteral("mnuFileSaveLog"));
    mnuFileSaveLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(mnuFileSaveLog, &QAction::triggered, this, &frmMain::mnuFileSaveLog_Click);
    QAction* mnuFileExit = mnuFile->addAction(QStringLiteral("E&xit"));
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    connect(mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);

    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction* mnuHelpManual = mnuHelp->addAction(QStringLiteral("&Manual"));
    mnuHelpManual->setObjectName(QStringLiteral("mnuHelpManual"));
    connect(mnuHelpManual, &QAction::triggered, this, &frmMain::mnuHelpManual_Click);
    QAction* mnuHelpAbout = mnuHelp->addAction(QStringLiteral("&About"));
    mnuHelpAbout->setObjectName(QStringLiteral("mnuHelpAbout"));
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
}

QWidget* frmMain::buildConnectFrame()
{
    auto* frame = named(new QGroupBox(QStringLiteral("Step 1 : Connect to SPI")), "fraConnect");
    auto* grid = new QGridLayout(frame);

    optOracle = named(new QRadioButton(QStringLiteral("Oracle")), "optOracle");
    optSQLServer = named(new QRadioButton(QStringLiteral("SQL Server")), "optSQLServer");
    optSQLServer2005 =
        named(new QRadioButton(QStringLiteral("SQL Server 2005")), "optSQLServer2005");
    optWatcom = named(new QRadioButton(QStringLiteral("Watcom")), "optWatcom");
    auto* platforms = new QButtonGroup(frame);
    auto* optionRow = new QHBoxLayout;
    for (QRadioButton* option : {optOracle, optSQLServer, optSQLServer2005, optWatcom}) {
        platforms->addButton(option);
        optionRow->addWidget(option);
    }
    optionRow->addStretch();
    optSQLServer2005->setVisible(false);
    optWatcom->setVisible(false);
    grid->addLayout(optionRow, 0, 0, 1, 5);

    struct Box
    {
        QLineEdit*& edit;
        const char* name;
        const char* labelName;
        QString caption;
    };
    const Box boxes[] = {
        {txtServerName, "txtServerName", "lblServerName", QStringLiteral("Server Name")},
        {txtDataSource, "txtDataSource", "lblDataSource", QStringLiteral("Database Name")},
        {txtUserID, "txtUserID", "lblUserID", QStringLiteral("Domain Logon Name")},
        {txtPassword, "txtPassword", "lblPassword", QStringLiteral("Domain Logon Password")},
    };
    int column = 0;
    for (const Box& box : boxes) {
        box.edit = new QLineEdit;
        box.edit->setObjectName(QString::fromLatin1(box.name));
        auto* label = new QLabel(box.caption);
        label->setObjectName(QString::fromLatin1(box.labelName));
        label->setBuddy(box.edit);
        grid->addWidget(label, 1, column);
        grid->addWidget(box.edit, 2, column);
        ++column;
    }
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));

    // Disabled until the library has been read: a click before the first activation would
    // otherwise connect with empty library tables.
    cmdConnect = named(new QPushButton(QStringLiteral("Please Wait")), "cmdConnect");
    cmdConnect->setEnabled(false);
    cmdConnect->setAutoDefault(true);
    connect(cmdConnect, &QPushButton::clicked, this, &frmMain::cmdConnect_Click);
    grid->addWidget(cmdConnect, 2, column);
    return frame;
}

QWidget* frmMain::buildImportFrame()
{
    fraImport = named(new QGroupBox(QStringLiteral("Step 2 : Select the Apparatus to be Imported")),
                      "fraImport");
    auto* layout = new QVBoxLayout(fraImport);
    optAll = named(new QRadioButton(QStringLiteral(
                       "Import all the apparatus configurations and reference apparatuses")),
                   "optAll");
    optSelected =
        named(new QRadioButton(QStringLiteral(
                  "Import only the selected apparatus configurations and reference apparatuses")),
              "optSelected");
    optMissing = named(new QRadioButton(QStringLiteral(
                           "Import only the apparatus configurations and reference apparatuses "
                           "not yet in the domain")),
                       "optMissing");
    auto* modes = new QButtonGroup(fraImport);
    for (QRadioButton* mode : {optAll, optSelected, optMissing}) {
        modes->addButton(mode);
        layout->addWidget(mode);
    }

    auto* headings = named(new QLabel(columnHeadings()), "lblHeadings");
    headings->setFont(fixedPitchFont());
    headings->setContentsMargins(4, 0, 0, 0);
    layout->addWidget(headings);

    lstApparatus = named(new QListWidget, "lstApparatus");
    lstApparatus->setFont(fixedPitchFont());
    lstApparatus->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Every line has the same fixed-pitch height; without this the list measures each of
    // thousands of lines again after every change.
    lstApparatus->setUniformItemSizes(true);
    layout->addWidget(lstApparatus, 1);

    lblApparatusCount = named(new QLabel, "lblApparatusCount");
    layout->addWidget(lblApparatusCount);
    fraImport->setVisible(false);
    return fraImport;
}

bool frmMain::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate)
        m_controller.Form_Activate();
    return handled;
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!m_controller.closeRequested()) {
        event->ignore();
        return;
    }
    event->accept();
    // The main window is the program: an open About or Manual window does not keep it running.
    QCoreApplication::quit();
}

void frmMain::cmdConnect_Click()
{
    m_controller.cmdConnect_Click();
}

void frmMain::cmdImport_Click()
{
    m_controller.cmdImport_Click();
}

void frmMain::cmdCheckImport_Click()
{
    m_controller.cmdCheckImport_Click();
}

void frmMain::mnuFileSaveLog_Click()
{
    m_controller.mnuFileSaveLog_Click();
}

void frmMain::mnuStatusCopyAll_Click()
{
    QGuiApplication::clipboard()->setText(m_controller.sessionText());
}

void frmMain::showStatusMenu(const QPoint& position)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuStatus"));
    QAction* copyAll = menu.addAction(QStringLiteral("Copy &All"));
    copyAll->setObjectName(QStringLiteral("mnuStatusCopyAll"));
    connect(copyAll, &QAction::triggered, this, &frmMain::mnuStatusCopyAll_Click);
    QAction* saveLog = menu.addAction(QStringLiteral("&Save Log..."));
    saveLog->setObjectName(QStringLiteral("mnuStatusSaveLog"));
    connect(saveLog, &QAction::triggered, this, &frmMain::mnuFileSaveLog_Click);
    menu.exec(lblStatus->mapToGlobal(position));
}

void frmMain::cmdCancel_Click()
{
    m_controller.cmdCancel_Click();
}

void frmMain::mnuFileExit_Click()
{
    m_controller.mnuFileExit_Click();
}

void frmMain::mnuHelpManual_Click()
{
    showOrBringForward<frmManual>(this);
}

void frmMain::mnuHelpAbout_Click()
{
    showOrBringForward<frmAbout>(this);
}

db::Platform frmMain::platform() const
{
    if (optOracle->isChecked())
        return db::Platform::Oracle;
    if (optSQLServer->isChecked())
        return db::Platform::SQLServer;
    if (optSQLServer2005->isChecked())
        return db::Platform::SQLServer2005;
    if (optWatcom->isChecked())
        return db::Platform::Watcom;
    return db::Platform::None;
}

QString frmMain::serverName() const
{
    return txtServerName->text();
}

QString frmMain::dataSource() const
{
    return txtDataSource->text();
}

QString frmMain::userId() const
{
    return txtUserID->text();
}

void frmMain::setUserId(const QString& text)
{
    txtUserID->setText(text);
}

QString frmMain::password() const
{
    return txtPassword->text();
}

void frmMain::setPassword(const QString& text)
{
    txtPassword->setText(text);
}

void frmMain::setConnectButton(bool enabled, const QString& caption)
{
    cmdConnect->setEnabled(enabled);
    cmdConnect->setText(caption);
}

void frmMain::showDomainLabel()
{
    lblDomain->setVisible(true);
}

void frmMain::setDomainCaption(const QString& caption)
{
    lblDomain->setText(caption);
}

void frmMain::setImportFrameVisible(bool visible)
{
    fraImport->setVisible(visible);
}

void frmMain::showImportButton()
{
    cmdImport->setVisible(true);
    cmdCheckImport->setVisible(true);
}

void frmMain::setImportEnabled(bool enabled)
{
    // Disabling the focused button moves the focus away; a keyboard user gets it back on the
    // button that started the run.
    if (!enabled) {
        if (cmdImport->hasFocus())
            m_refocus = cmdImport;
        else if (cmdCheckImport->hasFocus())
            m_refocus = cmdCheckImport;
    }
    cmdImport->setEnabled(enabled);
    cmdCheckImport->setEnabled(enabled);
    if (enabled && m_refocus) {
        m_refocus->setFocus();
        m_refocus = nullptr;
    }
}

void frmMain::clearApparatusList()
{
    lstApparatus->clear();
}

void frmMain::addApparatusLine(const QString& line)
{
    lstApparatus->addItem(line);
}

void frmMain::setApparatusCountCaption(const QString& caption)
{
    lblApparatusCount->setText(caption);
}

ImportMode frmMain::importMode() const
{
    if (optAll->isChecked())
        return ImportMode::All;
    if (optSelected->isChecked())
        return ImportMode::Selected;
    if (optMissing->isChecked())
        return ImportMode::Missing;
    return ImportMode::None;
}

QList<int> frmMain::selectedLines() const
{
    QList<int> rows;
    for (int row = 0; row < lstApparatus->count(); ++row) {
        if (lstApparatus->item(row)->isSelected())
            rows.append(row);
    }
    return rows;
}

void frmMain::setProgress(int done, int total)
{
    prgImport->setVisible(total != 0);
    if (total < 0) {
        prgImport->setFormat(QStringLiteral("Waiting for another import"));
        prgImport->setRange(0, 0);
    } else if (total > 0) {
        prgImport->setFormat(QStringLiteral("Apparatus %v of %m"));
        prgImport->setRange(0, total);
        prgImport->setValue(done);
    }
}

void frmMain::setStatusText(const QString& caption)
{
    QString text = caption;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lblStatus->setText(text);

    const QFontMetrics metrics(lblStatus->font());
    const int room = lblStatus->contentsRect().width() - 2 * lblStatus->margin() - 4;
    bool cut = false;
    for (const QString& line : text.split(QLatin1Char('\n')))
        cut = cut || metrics.horizontalAdvance(line) > room;
    lblStatus->setToolTip(cut ? text : QString());
}

void frmMain::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frmMain::setCancelVisible(bool visible)
{
    cmdCancel->setVisible(visible);
}

} // namespace tarnwell::app
