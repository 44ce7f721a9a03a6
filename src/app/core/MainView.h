#pragma once

#include "db/Platform.h"

#include <QList>
#include <QString>

namespace tarnwell::app {

// Message boxes without a title of their own carry this one, cut short as it has always been.
inline const QString ApplicationTitle = QStringLiteral("Tarnwell - Vendor Import Applicatio");
inline const QString MainWindowCaption =
    QStringLiteral("Tarnwell - Vendor Library Import Application");

enum class MessageIcon { Critical, Warning, Information };
// The button of a question that Enter presses.
enum class DefaultAnswer { Yes, No };
enum class ImportMode { None, All, Selected, Missing };

// Message boxes and the end of the program, kept behind one seam so that tests can watch them
// without a modal dialog blocking.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // Shows a message box with a single OK button and returns when it is closed.
    virtual void message(const QString& text, const QString& title, MessageIcon icon) = 0;
    // Shows a question with Yes and No; true for Yes.
    virtual bool question(const QString& text, const QString& title, MessageIcon icon,
                          DefaultAnswer defaultAnswer) = 0;
    // Asks where to save a file, offering `suggestedPath`; empty when the user cancels.
    virtual QString saveFileName(const QString& suggestedPath) = 0;
    // Ends the program at once; no further handler runs.
    virtual void endProgram(int exitCode) = 0;
};

// What the main window's logic needs of the window. The window implements it with widgets;
// tests can implement it without any.
class MainView
{
public:
    virtual ~MainView() = default;

    // Step 1
    virtual db::Platform platform() const = 0;
    virtual QString serverName() const = 0;
    virtual QString dataSource() const = 0;
    virtual QString userId() const = 0;
    virtual void setUserId(const QString& text) = 0;
    virtual QString password() const = 0;
    virtual void setPassword(const QString& text) = 0;
    virtual void setConnectButton(bool enabled, const QString& caption) = 0;
    virtual void showDomainLabel() = 0;
    virtual void setDomainCaption(const QString& caption) = 0;

    // Step 2
    virtual void setImportFrameVisible(bool visible) = 0;
    // Shows Import and Check Import.
    virtual void showImportButton() = 0;
    // Import and Check Import together.
    virtual void setImportEnabled(bool enabled) = 0;
    virtual void clearApparatusList() = 0;
    virtual void addApparatusLine(const QString& line) = 0;
    virtual void setApparatusCountCaption(const QString& caption) = 0;
    virtual ImportMode importMode() const = 0;
    virtual QList<int> selectedLines() const = 0;
    // Apparatus `done` of `total` during an import run; total 0 hides the progress display, a
    // negative total shows it busy while the run waits for another one.
    virtual void setProgress(int done, int total) = 0;
    // Cancel is shown while Connect or an import is under way.
    virtual void setCancelVisible(bool visible) = 0;

    // Shell
    virtual void setStatusText(const QString& caption) = 0;
    virtual void setBusy(bool busy) = 0;
};

} // namespace tarnwell::app
