#pragma once

#include <QDialog>
#include <QIcon>

class QLabel;
class QPushButton;

namespace tarnwell::app {

// The program's icon, from the resources linked into the program; null only when Qt's SVG
// plugins are missing (on Windows: Qt's ICO plugin).
QIcon programIcon();

// "Version " and the program's own major.minor.revision.
QString versionCaption();

// Help, About: title, version, maker and a support contact. Shown without blocking the main
// window; OK (also Enter and Escape) closes and destroys it.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

public slots:
    void cmdOK_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QLabel* lblDescription = nullptr;
    QPushButton* cmdOK = nullptr;
};

} // namespace tarnwell::app
