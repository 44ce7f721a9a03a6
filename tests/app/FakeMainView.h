#pragma once

#include "app/core/MainView.h"
#include "support/TestDatabase.h"

#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace tarnwell::testing {

// A window without widgets: remembers what the logic showed and lets a test play the user.
class FakeMainView : public app::MainView
{
public:
    db::Platform platform() const override { return chosenPlatform; }
    QString serverName() const override { return server; }
    QString dataSource() const override { return database; }
    QString userId() const override { return logon; }
    void setUserId(const QString& text) override { logon = text; }
    QString password() const override { return pass; }
    void setPassword(const QString& text) override { pass = text; }
    void setConnectButton(bool enabled, const QString& caption) override
    {
        connectEnabled = enabled;
        connectCaption = caption;
    }
    void showDomainLabel() override { domainVisible = true; }
    void setDomainCaption(const QString& caption) override { domainCaption = caption; }

    void setImportFrameVisible(bool visible) override { importFrameVisible = visible; }
    void showImportButton() override { importButtonVisible = true; }
    void setImportEnabled(bool enabled) override { importEnabled = enabled; }
    void clearApparatusList() override { lines.clear(); }
    void addApparatusLine(const QString& line) override { lines.append(line); }
    void setApparatusCountCaption(const QString& caption) override { countCaption = caption; }
    app::ImportMode importMode() const override { return mode; }
    QList<int> selectedLines() const override { return selected; }
    void setProgress(int done, int total) override { progress.emplace_back(done, total); }
    void setCancelVisible(bool visible) override { cancelVisible = visible; }

    void setStatusText(const QString& caption) override
    {
        statusText = caption;
        if (onStatusText)
            onStatusText();
    }
    void setBusy(bool value) override { busy = value; }

    // Types what reaches the test database's owning domain as SQL Server.
    void typeLogin(const TestDatabase& target)
    {
        chosenPlatform = db::Platform::SQLServer;
        server = target.server();
        database = target.name();
        logon = target.logon();
        pass = target.password();
    }

    // What the user typed or chose.
    db::Platform chosenPlatform = db::Platform::None;
    QString server, database, logon, pass;
    app::ImportMode mode = app::ImportMode::None;
    QList<int> selected;

    // What the logic showed.
    bool connectEnabled = true;
    QString connectCaption = QStringLiteral("Connect");
    bool domainVisible = false;
    QString domainCaption = QStringLiteral("Choose Domain:");
    bool importFrameVisible = true;
    bool importButtonVisible = false;
    bool importEnabled = true;
    QStringList lines;
    QString countCaption;
    std::vector<std::pair<int, int>> progress;
    QString statusText;
    bool busy = false;
    bool cancelVisible = false;
    std::function<void()> onStatusText;
};

struct ShownMessage
{
    QString text;
    QString title;
    app::MessageIcon icon;
};

class RecordingDialogs : public app::Dialogs
{
public:
    void message(const QString& text, const QString& title, app::MessageIcon icon) override
    {
        messages.push_back({text, title, icon});
    }
    bool question(const QString& text, const QString& title, app::MessageIcon icon,
                  app::DefaultAnswer defaultAnswer) override
    {
        questions.push_back({text, title, icon});
        defaultAnswers.push_back(defaultAnswer);
        return answer;
    }
    QString saveFileName(const QString& suggestedPath) override
    {
        suggestedPaths.append(suggestedPath);
        return savePath;
    }
    void endProgram(int exitCode) override { endedWith = exitCode; }

    std::vector<ShownMessage> messages;
    std::vector<ShownMessage> questions;
    std::vector<app::DefaultAnswer> defaultAnswers;
    bool answer = true; // Yes
    QStringList suggestedPaths;
    QString savePath; // where the user chooses to save; empty: cancelled
    std::optional<int> endedWith;
};

} // namespace tarnwell::testing
