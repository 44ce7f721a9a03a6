#include "app/frmAbout.h"

#include "app/core/MainView.h"

#include <tarnwell/Version.h>

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnwell::app {

namespace {

QLabel* label(const QString& text, const char* name = nullptr)
{
    auto* result = new QLabel(text);
    result->setTextFormat(Qt::PlainText);
    if (name)
        result->setObjectName(QString::fromLatin1(name));
    return result;
}

QFrame* separator()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

QIcon programIcon()
{
#ifdef Q_OS_WIN
    // The Windows build has no SVG support; the ICO drawn from the same SVG stands in.
    return QIcon(QStringLiteral(":/tarnwell/tarnwell.ico"));
#else
    return QIcon(QStringLiteral(":/tarnwell/tarnwell.svg"));
#endif
}

QString versionCaption()
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(VersionMajor)
        .arg(VersionMinor)
        .arg(VersionRevision);
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Tarnwell"));
    setWindowIcon(programIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    picIcon = label(QString(), "picIcon");
    picIcon->setPixmap(programIcon().pixmap(64, 64));
    picIcon->setFixedSize(72, 72);
    picIcon->setAlignment(Qt::AlignCenter);

    lblTitle = label(MainWindowCaption, "lblTitle");
    QFont titleFont(QStringLiteral("Arial"), 13);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblTitle->setWordWrap(true);

    // Overwritten on load; kept as the design text so a failed load would show.
    lblVersion = label(QStringLiteral("Version 3.0"), "lblVersion");
    lblDisclaimer = label(QStringLiteral("Quorvane Associates Inc."), "lblDisclaimer");
    lblDescription = label(QString(), "lblDescription");
    lblDescription->setVisible(false);

    auto* lblNotice1 = label(QStringLiteral("This program imports the KEL - DORVAN field-bus "
                                            "apparatus library into SPI domains."),
                             "lblNotice1");
    lblNotice1->setWordWrap(true);
    auto* lblNotice2 = label(
        QStringLiteral("Copyright Quorvane Associates Inc. All rights reserved."), "lblNotice2");
    lblNotice2->setWordWrap(true);
    auto* lblSupportIntro =
        label(QStringLiteral("For further assistance, please contact:"), "lblSupportIntro");
    auto* lblSupport = label(QStringLiteral("Quorvane Associates Inc., Library Support\n"
                                            "Telephone +1 555-0147\n"
                                            "E-mail library.support@quorvane.example"),
                             "lblSupport");
    lblSupport->setTextInteractionFlags(Qt::TextSelectableByMouse);

    cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setMinimumWidth(90);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    auto* heading = new QVBoxLayout;
    heading->addWidget(lblTitle);
    heading->addWidget(lblVersion);
    heading->addWidget(lblDisclaimer);
    heading->addWidget(lblDescription);
    heading->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(heading, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(separator());
    layout->addWidget(lblNotice1);
    layout->addWidget(lblNotice2);
    layout->addWidget(separator());
    layout->addWidget(lblSupportIntro);
    layout->addWidget(lblSupport);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    setMinimumWidth(460);
    cmdOK->setFocus();
    Form_Load();
}

void frmAbout::Form_Load()
{
    lblVersion->setText(versionCaption());
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    // Escape presses OK like Enter does, rather than rejecting past the button's handler.
    if (event->matches(QKeySequence::Cancel)) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tarnwell::app
