#include "platform/FontDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Qt's chooser finds the style of a font without a style name by the name
// "Normal", "Bold", "Italic"...; a family whose regular face is "Book" or
// "Roman" would open on its first style (often an italic one), and OK would
// apply it. The face is chosen here instead: the same slant, the nearest
// weight, and of equals the shortest name ("Italic" before "Condensed Italic").
QFont withStyleName(QFont font)
{
    if (!font.styleName().isEmpty())
        return font;
    const QString family = font.family();
    QString best;
    int bestWeightDistance = 0;
    for (const QString& style : QFontDatabase::styles(family)) {
        // QFontDatabase::italic() leaves out oblique faces; QFont counts them.
        const QFont face = QFontDatabase::font(family, style, 12);
        if (face.italic() != font.italic())
            continue;
        const int weightDistance = qAbs(face.weight() - font.weight());
        if (best.isEmpty() || weightDistance < bestWeightDistance
            || (weightDistance == bestWeightDistance && style.size() < best.size())) {
            best = style;
            bestWeightDistance = weightDistance;
        }
    }
    if (!best.isEmpty())
        font.setStyleName(best);
    return font;
}

} // namespace

FontDialog::FontDialog(const QFont& font, const QColor& color, bool withColor, bool withApply, QWidget* parent)
    : QDialog(parent)
    , m_color(color.isValid() ? color : QColor(Qt::black))
{
    setObjectName(QStringLiteral("FontDialog"));

    // Qt's chooser as a plain child widget without buttons of its own.
    m_fonts = new QFontDialog(this);
    m_fonts->setObjectName(QStringLiteral("fontChooser"));
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    setCurrentFont(font);
    // Escape would close the embedded chooser alone.
    m_fonts->installEventFilter(this);
    setWindowTitle(m_fonts->windowTitle());

    auto* colorRow = new QHBoxLayout;
    auto* colorLabel = new QLabel(QStringLiteral("Цвет:"), this);
    m_colorButton = new QPushButton(QStringLiteral("Выбрать..."), this);
    m_colorButton->setObjectName(QStringLiteral("colorButton"));
    m_colorButton->setAutoDefault(false);
    colorLabel->setBuddy(m_colorButton);
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(m_colorButton);
    colorRow->addStretch();
    colorLabel->setVisible(withColor);
    m_colorButton->setVisible(withColor);
    connect(m_colorButton, &QPushButton::clicked, this, &FontDialog::chooseColor);
    setCurrentColor(m_color);

    QDialogButtonBox::StandardButtons standard = QDialogButtonBox::Ok | QDialogButtonBox::Cancel;
    if (withApply)
        standard |= QDialogButtonBox::Apply;
    m_buttons = new QDialogButtonBox(standard, this);
    m_buttons->setObjectName(QStringLiteral("buttons"));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (QPushButton* apply = m_buttons->button(QDialogButtonBox::Apply))
        connect(apply, &QPushButton::clicked, this, &FontDialog::applied);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fonts);
    layout->addLayout(colorRow);
    layout->addWidget(m_buttons);
}

QFont FontDialog::currentFont() const
{
    return m_fonts->currentFont();
}

void FontDialog::setCurrentFont(const QFont& font)
{
    m_fonts->setCurrentFont(withStyleName(font));
}

void FontDialog::setCurrentColor(const QColor& color)
{
    if (!color.isValid())
        return;
    m_color = color;
    QPixmap swatch(16, 16);
    swatch.fill(color);
    m_colorButton->setIcon(QIcon(swatch));
    m_colorButton->setToolTip(color.name());
}

void FontDialog::chooseColor()
{
    QColorDialog dialog(m_color, this);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() == QDialog::Accepted)
        setCurrentColor(dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor());
}

bool FontDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_fonts && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
