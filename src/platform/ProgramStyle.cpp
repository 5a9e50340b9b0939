#include "platform/ProgramStyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>
#include <QWidget>

#include <memory>
#include <optional>

namespace {

// One of the style's icons, asked of the style the first time it is needed.
class DeferredIconEngine : public QIconEngine
{
public:
    DeferredIconEngine(const QStyle* style, QStyle::StandardPixmap which, const QStyleOption* option,
                       const QWidget* widget)
        : m_style(style)
        , m_which(which)
        , m_widget(widget)
    {
        if (option) {
            m_option = *option;
            m_option->styleObject = nullptr;  // it may be gone by then
        }
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, 1.0, mode, state);
    }
    // size in device pixels, as the icon asks its engine
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        if (scale <= 1.0)
            return pixmap(size, mode, state);
        return icon().pixmap((QSizeF(size) / scale).toSize(), scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    QString iconName() override { return icon().name(); }
    // The style always has an icon (its own files, if no theme has one);
    // asking must not read it.
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

private:
    struct Read
    {
        bool done = false;
        QIcon icon;
    };

    DeferredIconEngine(const DeferredIconEngine& other) = default;

    const QIcon& icon()
    {
        if (!m_read->done) {
            m_read->done = true;
            if (m_style)
                m_read->icon = m_style->standardIcon(m_which, m_option ? &*m_option : nullptr, m_widget.data());
        }
        return m_read->icon;
    }

    QPointer<const QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QPointer<const QWidget> m_widget;
    std::optional<QStyleOption> m_option;
    std::shared_ptr<Read> m_read = std::make_shared<Read>();  // one read for the copies QIcon makes
};

} // namespace

int ProgramStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const
{
    if (hint == SH_MenuBar_AltKeyNavigation)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QIcon ProgramStyle::standardIcon(StandardPixmap which, const QStyleOption* option, const QWidget* widget) const
{
    // A plain option (the widget's direction, palette and state) can be
    // kept for later; one of a derived kind is answered at once.
    if (option && option->type != QStyleOption::SO_Default)
        return QProxyStyle::standardIcon(which, option, widget);
    return QIcon(new DeferredIconEngine(baseStyle(), which, option, widget));
}
