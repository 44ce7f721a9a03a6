#pragma once

#include <QWidget>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace tarnwell::app {

// Help, Manual: the user manual as static text in two columns, scrolled when the window is
// smaller than the text. Shown without blocking the main window; destroyed when closed.
class frmManual : public QWidget
{
    Q_OBJECT

public:
    explicit frmManual(QWidget* parent = nullptr);

private:
    enum class Level { Section, Topic, Label };

    void heading(QVBoxLayout* column, const QString& text, Level level);
    void paragraph(QVBoxLayout* column, const QString& text);
    void bullets(QVBoxLayout* column, const QStringList& items);

    void writeLeftColumn(QVBoxLayout* column);
    void writeRightColumn(QVBoxLayout* column);

    QScrollArea* m_scroll = nullptr;
    QFont m_textFont;
};

} // namespace tarnwell::app
