#include "app/MainToolBar.h"

#include "platform/BuiltInPng.h"

#include <QAction>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>

namespace {

struct ButtonRow
{
    QLatin1String key;
    const char* toolTip;
    int style; // 0 plain, 1 style button (pressed look set by the program), 2 group, 3 separator
    int image; // 1-based index into the toolbar image list, 0 for none
};

using namespace ToolbarKey;
const QLatin1String noKey("");

const ButtonRow buttonTable[MainToolBar::ButtonCount] = {
    {New, "Создать", 0, 1},
    {Open, "Открыть", 0, 2},
    {Save, "Сохранить", 0, 3},
    {noKey, "", 3, 0},
    {Print, "Печать", 0, 4},
    {Separator2, "", 3, 0},
    {Cut, "Вырезать", 0, 5},
    {Copy, "Копировать", 0, 6},
    {Paste, "Вставить", 0, 7},
    {noKey, "", 3, 0},
    {Bold, "Полужирный", 1, 14},
    {Italic, "Курсив", 1, 15},
    {Underline, "Подчеркнутый", 1, 16},
    {Strikethru, "Зачёркнутый", 1, 17},
    {noKey, "", 3, 0},
    {AlignLeft, "По левому краю", 2, 11},
    {Center, "По центру", 2, 12},
    {AlignRight, "По правому краю", 2, 13},
    {noKey, "", 3, 0},
    {Find, "Найти", 0, 18},
};

const char keyProperty[] = "toolbarKey";

// The toolbar's images, side by side in one strip read once at start-up:
// 16 pixels square, or 32 on screens of twice the density.
class ImageStrip
{
public:
    ImageStrip()
    {
        const qreal ratio = qApp ? qApp->devicePixelRatio() : 1;
        m_dense = ratio > 1;
        m_strip = readBuiltInPng(MainToolBar::imageStripPath(ratio));
    }
    QIcon image(int index) const  // 1-based, as the image list counts
    {
        const int size = m_dense ? 32 : 16;
        QPixmap image = m_strip.copy((index - 1) * size, 0, size, size);
        image.setDevicePixelRatio(m_dense ? 2 : 1);
        return QIcon(image);
    }

private:
    QPixmap m_strip;
    bool m_dense = false;
};

} // namespace

QString MainToolBar::imageStripPath(qreal devicePixelRatio)
{
    return devicePixelRatio > 1 ? QStringLiteral(":/icons/toolbar@2x.png") : QStringLiteral(":/icons/toolbar.png");
}

MainToolBar::MainToolBar(QWidget* parent)
    : QToolBar(parent)
{
    setObjectName(QStringLiteral("tbToolBar"));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(16, 16));
    setContextMenuPolicy(Qt::PreventContextMenu);

    const ImageStrip images;
    for (const ButtonRow& row : buttonTable) {
        const auto style = static_cast<Style>(row.style);
        QAction* button = nullptr;
        if (style == Style::Separator) {
            button = addSeparator();
        } else {
            button = addAction(images.image(row.image), QString::fromUtf8(row.toolTip));
            button->setToolTip(QString::fromUtf8(row.toolTip));
            button->setCheckable(style != Style::Plain);
            connect(button, &QAction::triggered, this,
                    [this, button, style](bool checked) { onTriggered(button, style, checked); });
            if (style == Style::Group)
                m_group.append(button);
        }
        setKey(button, row.key);
        m_buttons.append(button);
    }
    m_formatButtons = {Button(ToolbarKey::Bold), Button(ToolbarKey::Italic), Button(ToolbarKey::Underline),
                       Button(ToolbarKey::Strikethru), Button(ToolbarKey::AlignLeft), Button(ToolbarKey::Center),
                       Button(ToolbarKey::AlignRight)};
    setValue(Button(AlignLeftPosition), 1);
}

QAction* MainToolBar::Button(int position) const
{
    if (position < 1 || position > m_buttons.size())
        return nullptr;
    return m_buttons.at(position - 1);
}

QAction* MainToolBar::Button(const QString& key) const
{
    if (key.isEmpty())
        return nullptr;
    for (QAction* button : m_buttons) {
        if (Key(button) == key)
            return button;
    }
    return nullptr;
}

QString MainToolBar::Key(const QAction* button)
{
    return button ? button->property(keyProperty).toString() : QString();
}

void MainToolBar::setKey(QAction* button, const QString& key)
{
    button->setProperty(keyProperty, key);
}

int MainToolBar::Value(const QAction* button)
{
    return button && button->isChecked() ? 1 : 0;
}

void MainToolBar::setValue(QAction* button, int value)
{
    if (!button || !button->isCheckable())
        return;
    const bool pressed = value != 0;
    button->setChecked(pressed);
    if (pressed && m_group.contains(button)) {
        for (QAction* other : std::as_const(m_group)) {
            if (other != button)
                other->setChecked(false);
        }
    }
}

void MainToolBar::showFormatting(const RichTextBox::Formatting& formatting)
{
    const std::optional<int> alignment = formatting.alignment;
    const bool pressed[7] = {formatting.bold == true,
                             formatting.italic == true,
                             formatting.underline == true,
                             formatting.strikeThru == true,
                             alignment == ParagraphAlignment::Left,
                             alignment == ParagraphAlignment::Center,
                             alignment == ParagraphAlignment::Right};
    for (std::size_t i = 0; i < m_formatButtons.size(); ++i)
        setValue(m_formatButtons[i], pressed[i] ? 1 : 0);
}

void MainToolBar::showStyle(QAction* button, std::optional<bool> value)
{
    setValue(button, value == true ? 1 : 0);
}

void MainToolBar::releaseAlignment()
{
    for (std::size_t i = 4; i < m_formatButtons.size(); ++i)
        setValue(m_formatButtons[i], 0);
}

void MainToolBar::onTriggered(QAction* button, Style style, bool checked)
{
    if (style == Style::Latching) {
        // Undo Qt's own toggle: the click handler sets the pressed look from
        // the editor's state.
        button->setChecked(!checked);
    } else if (style == Style::Group) {
        setValue(button, 1);
    }
    emit ButtonClick(button);
}
