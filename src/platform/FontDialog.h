#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

class QDialogButtonBox;
class QFontDialog;
class QPushButton;

// The font dialog of the common dialogs: Qt's font chooser (every family the
// font database knows, size, style, strikeout, underline) with a text colour
// beside it, OK, Cancel and, on request, Apply, which reports the current
// choices without closing.
class FontDialog : public QDialog
{
    Q_OBJECT
public:
    FontDialog(const QFont& font, const QColor& color, bool withColor, bool withApply, QWidget* parent = nullptr);

    QFont currentFont() const;
    void setCurrentFont(const QFont& font);
    QColor currentColor() const { return m_color; }
    void setCurrentColor(const QColor& color);

    QFontDialog* fontChooser() const { return m_fonts; }
    QPushButton* colorButton() const { return m_colorButton; }
    QDialogButtonBox* buttons() const { return m_buttons; }

signals:
    void applied();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseColor();

    QFontDialog* m_fonts = nullptr;
    QPushButton* m_colorButton = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QColor m_color;
};
