#pragma once

#include "app/core/Executor.h"
#include "app/core/MainController.h"
#include "app/core/MainView.h"

#include <QMainWindow>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace tarnwell::app {

// The program's one working window: step 1 connects, step 2 imports, the status display logs.
// It only wires its controls to MainController.
class frmMain : public QMainWindow, public MainView
{
    Q_OBJECT

public:
    frmMain(db::ConnectionFactory& connections, Dialogs& dialogs, const QString& programPath,
            QWidget* parent = nullptr);
    ~frmMain() override;

    MainController& controller() { return m_controller; }

    // MainView
    db::Platform platform() const override;
    QString serverName() const override;
    QString dataSource() const override;
    QString userId() const override;
    void setUserId(const QString& text) override;
    QString password() const override;
    void setPassword(const QString& text) override;
    void setConnectButton(bool enabled, const QString& caption) override;
    void showDomainLabel() override;
    void setDomainCaption(const QString& caption) override;
    void setImportFrameVisible(bool visible) override;
    void showImportButton() override;
    void setImportEnabled(bool enabled) override;
    void clearApparatusList() override;
    void addApparatusLine(const QString& line) override;
    void setApparatusCountCaption(const QString& caption) override;
    ImportMode importMode() const override;
    QList<int> selectedLines() const override;
    void setProgress(int done, int total) override;
    void setCancelVisible(bool visible) override;
    void setStatusText(const QString& caption) override;
    void setBusy(bool busy) override;

public slots:
    void cmdConnect_Click();
    void cmdImport_Click();
    void cmdCheckImport_Click();
    void cmdCancel_Click();
    void mnuFileSaveLog_Click();
    void mnuStatusCopyAll_Click();
    void mnuFileExit_Click();
    void mnuHelpManual_Click();
    void mnuHelpAbout_Click();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QWidget* buildConnectFrame();
    QWidget* buildImportFrame();

    QRadioButton* optOracle = nullptr;
    QRadioButton* optSQLServer = nullptr;
    QRadioButton* optSQLServer2005 = nullptr;
    QRadioButton* optWatcom = nullptr;
    QLineEdit* txtServerName = nullptr;
    QLineEdit* txtDataSource = nullptr;
    QLineEdit* txtUserID = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdConnect = nullptr;
    QLabel* lblDomain = nullptr;
    QGroupBox* fraImport = nullptr;
    QRadioButton* optAll = nullptr;
    QRadioButton* optSelected = nullptr;
    QRadioButton* optMissing = nullptr;
    QListWidget* lstApparatus = nullptr;
    QLabel* lblApparatusCount = nullptr;
    QPushButton* cmdImport = nullptr;
    QPushButton* cmdCheckImport = nullptr;
    QPushButton* cmdCancel = nullptr;
    QProgressBar* prgImport = nullptr;
    QLabel* lblStatus = nullptr;

    bool m_busy = false;
    void showStatusMenu(const QPoint& position);

    // The button that started a run, which gets the focus back when the run ends.
    QPushButton* m_refocus = nullptr;
    // Before the controller: the worker outlives the logic that hands it work.
    ThreadExecutor m_executor;
    MainController m_controller;
};

} // namespace tarnwell::app
